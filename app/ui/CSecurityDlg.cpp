#include "app/ui/CSecurityDlg.h"

#include "app/ui/DialogLayout.h"
#include "app/ui/Mnemonic.h"
#include "engine/ConversionOptions.h"
#include "engine/OptionTable.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

namespace zarta::ui {

namespace {

const QString enableSecurityText = QStringLiteral("Enable PDF Security");
const QString enableUserText = QStringLiteral("Enable User Password");
const QString enableOwnerText = QStringLiteral("Enable Owner Password");
const QString allowedActionsText = QStringLiteral("Allowed Actions");
const QString encryptionLevelText = QStringLiteral("Encryption Level");

QString fromTable(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The boxes' and buttons' texts, in the order of the option table.
const QString contentCopyingText = fromTable(OptionTable::permissions[0].text);
const QString formFillingText = fromTable(OptionTable::permissions[1].text);
const QString documentChangingText = fromTable(OptionTable::permissions[2].text);
const QString printingText = fromTable(OptionTable::permissions[3].text);
const QString lowText = fromTable(OptionTable::encryptionLevel[0].text);
const QString highText = fromTable(OptionTable::encryptionLevel[1].text);
const QString aes128Text = fromTable(OptionTable::encryptionLevel[2].text);
const QString aes256Text = fromTable(OptionTable::encryptionLevel[3].text);

} // namespace

const CSecurityDlg::Ids& CSecurityDlg::ids(UiVariant variant) {
    return variant == UiVariant::Desktop ? desktopIds : addInIds;
}

CSecurityDlg::CSecurityDlg(UiVariant variant, QWidget* parent) : OptionPage(variant, parent) {
    const Ids& id = ids(variant);
    setObjectName(QString::number(id.page));
    if (variant == UiVariant::Desktop) {
        // The mnemonics differ from those of the convert page around the page.
        const auto m = &Mnemonic::marked;
        DialogLayout t(*this, QSize(415, 152));
        enableSecurity_ =
            t.checkBox(id.enableSecurity, m(enableSecurityText, u'P'), QRect(4, 5, 107, 8));
        enableUserPassword_ =
            t.checkBox(id.enableUserPassword, m(enableUserText, u'U'), QRect(18, 21, 92, 8));
        userPasswordEdit_ = t.passwordEdit(id.userPassword, QRect(18, 34, 101, 14));
        enableOwnerPassword_ =
            t.checkBox(id.enableOwnerPassword, m(enableOwnerText, u'n'), QRect(18, 58, 103, 8));
        ownerPasswordEdit_ = t.passwordEdit(id.ownerPassword, QRect(18, 70, 101, 14));
        t.groupBox(id.allowedActions, allowedActionsText, QRect(132, 2, 149, 83));
        permissionBoxes_ = {
            t.checkBox(id.contentCopying, m(contentCopyingText, u'y'), QRect(150, 20, 122, 8)),
            t.checkBox(id.formFilling, m(formFillingText, u'l'), QRect(150, 36, 120, 8)),
            t.checkBox(id.documentChanging, m(documentChangingText, u'h'), QRect(150, 52, 118, 8)),
            t.checkBox(id.printing, m(printingText, u'i'), QRect(150, 68, 120, 8)),
        };
        t.groupBox(id.encryptionLevel, encryptionLevelText, QRect(296, 1, 80, 83));
        low_ = t.radioButton(id.low, m(lowText, u'w'), QRect(304, 30, 68, 10));
        high_ = t.radioButton(id.high, m(highText, u'g'), QRect(304, 55, 69, 10));
        // The AES levels take the row below the groups, the last of them under the RC4 levels.
        aes128_ = t.radioButton(id.aes128, m(aes128Text, u'1'), QRect(232, 86, 62, 10));
        aes256_ = t.radioButton(id.aes256, m(aes256Text, u'2'), QRect(304, 86, 68, 10));
    } else {
        const auto m = &Mnemonic::marked;
        DialogLayout t(*this, QSize(316, 293));
        enableSecurity_ =
            t.checkBox(id.enableSecurity, m(enableSecurityText, u'P'), QRect(27, 8, 120, 10));
        enableUserPassword_ =
            t.checkBox(id.enableUserPassword, m(enableUserText, u'U'), QRect(27, 24, 120, 10));
        userPasswordEdit_ = t.passwordEdit(id.userPassword, QRect(39, 36, 150, 14));
        enableOwnerPassword_ =
            t.checkBox(id.enableOwnerPassword, m(enableOwnerText, u'n'), QRect(27, 56, 120, 10));
        ownerPasswordEdit_ = t.passwordEdit(id.ownerPassword, QRect(39, 68, 150, 14));
        t.groupBox(id.allowedActions, allowedActionsText, QRect(27, 88, 230, 72));
        std::array<QCheckBox*, 4> boxes{};
        boxes[0] =
            t.checkBox(id.contentCopying, m(contentCopyingText, u'y'), QRect(39, 102, 200, 10));
        boxes[1] = t.checkBox(id.formFilling, m(formFillingText, u'l'), QRect(39, 116, 200, 10));
        boxes[2] =
            t.checkBox(id.documentChanging, m(documentChangingText, u'h'), QRect(39, 130, 200, 10));
        boxes[3] = t.checkBox(id.printing, m(printingText, u'i'), QRect(39, 144, 200, 10));
        permissionBoxes_ = boxes;
        t.groupBox(id.encryptionLevel, encryptionLevelText, QRect(27, 166, 230, 32));
        low_ = t.radioButton(id.low, m(lowText, u'w'), QRect(39, 180, 95, 10));
        high_ = t.radioButton(id.high, m(highText, u'g'), QRect(140, 180, 100, 10));
        aes128_ = t.radioButton(id.aes128, m(aes128Text, u'1'), QRect(39, 201, 95, 10));
        aes256_ = t.radioButton(id.aes256, m(aes256Text, u'2'), QRect(140, 201, 100, 10));
    }

    // The password fields have no label of their own: the boxes that enable them name them.
    userPasswordEdit_->setAccessibleName(Mnemonic::plain(enableUserPassword_->text()));
    ownerPasswordEdit_->setAccessibleName(Mnemonic::plain(enableOwnerPassword_->text()));

    connect(enableSecurity_, &QCheckBox::clicked, this, &CSecurityDlg::securityClicked);
    connect(enableUserPassword_, &QCheckBox::clicked, this,
            [this](bool checked) { userPasswordEdit_->setEnabled(checked); });
    connect(enableOwnerPassword_, &QCheckBox::clicked, this,
            [this](bool checked) { ownerPasswordEdit_->setEnabled(checked); });

    // The controls start at the options' defaults.
    const ConversionOptions defaults;
    levels()[OptionTable::indexOf(OptionTable::encryptionLevel, defaults.encryptionLevel)]
        ->setChecked(true);
    enableSecurity_->setChecked(defaults.securityEnabled);
    enableOwnerPassword_->setChecked(defaults.ownerPasswordEnabled);
    enableUserPassword_->setChecked(defaults.userPasswordEnabled);
    for (std::size_t i = 0; i < permissionBoxes_.size(); ++i) {
        permissionBoxes_[i]->setChecked(defaults.*OptionTable::permissions[i].allowed);
    }
    for (QWidget* control : dependents()) {
        control->setEnabled(false);
    }
}

std::vector<QWidget*> CSecurityDlg::dependents() const {
    return {ownerPasswordEdit_,
            enableOwnerPassword_,
            userPasswordEdit_,
            enableUserPassword_,
            permissionBoxes_[0],
            permissionBoxes_[1],
            permissionBoxes_[2],
            permissionBoxes_[3],
            high_,
            low_,
            aes128_,
            aes256_};
}

std::array<QRadioButton*, 4> CSecurityDlg::levels() const {
    return {low_, high_, aes128_, aes256_};
}

void CSecurityDlg::securityClicked() {
    const bool enable = enableSecurity_->isChecked();
    for (QWidget* control : dependents()) {
        control->setEnabled(enable);
    }
    if (enable) {
        userPasswordEdit_->setEnabled(enableUserPassword_->isChecked());
        ownerPasswordEdit_->setEnabled(enableOwnerPassword_->isChecked());
    }
}

void CSecurityDlg::storeControls() {
    securityEnabled_ = enableSecurity_->isChecked();
    userPasswordEnabled_ = enableUserPassword_->isChecked();
    userPassword_ = userPasswordEdit_->text();
    ownerPasswordEnabled_ = enableOwnerPassword_->isChecked();
    ownerPassword_ = ownerPasswordEdit_->text();
    for (std::size_t i = 0; i < permissionBoxes_.size(); ++i) {
        permissions_[i] = permissionBoxes_[i]->isChecked();
    }
    encryptionLevel_ = -1;
    const auto radios = levels();
    for (std::size_t i = 0; i < radios.size(); ++i) {
        if (radios[i]->isChecked()) {
            encryptionLevel_ = int(i);
        }
    }
}

void CSecurityDlg::focusPassword(bool owner) {
    QLineEdit* edit = owner ? ownerPasswordEdit_ : userPasswordEdit_;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

} // namespace zarta::ui
