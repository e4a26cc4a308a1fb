#include "app/ui/CEnterPassWordDlg.h"

#include "app/ui/DialogLayout.h"
#include "app/ui/Mnemonic.h"
#include "app/ui/StandardIds.h"
#include "app/ui/UiTexts.h"
#include "engine/Messages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace zarta::ui {

CEnterPassWordDlg::CEnterPassWordDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(UiTexts::passwordCaption.toString());
    setObjectName(QString::number(templateId));
    setModal(true);

    DialogLayout t(*this, QSize(331, 86));
    notAccepted_ =
        t.label(UiTexts::passwordNotAccepted.toString(), QRect(27, 3, 288, 9), notAcceptedId);
    notAccepted_->hide();
    message_ = t.label(QString(), QRect(27, 14, 288, 26), messageId);
    message_->setWordWrap(true);
    QLabel* passwordLabel =
        t.label(Mnemonic::marked(UiTexts::enterPassword, u'E'), QRect(29, 46, 54, 8));
    passwordEdit_ = t.passwordEdit(passwordId, QRect(89, 44, 212, 14));
    passwordLabel->setBuddy(passwordEdit_);
    QPushButton* ok =
        t.pushButton(StandardIds::ok, UiTexts::ok.toString(), QRect(94, 67, 50, 14), true);
    QPushButton* cancel =
        t.pushButton(StandardIds::cancel, UiTexts::cancel.toString(), QRect(188, 67, 50, 14));
    setFixedSize(size());

    connect(ok, &QPushButton::clicked, this, &CEnterPassWordDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CEnterPassWordDlg::reject);
}

QString CEnterPassWordDlg::promptText(const QString& fileName) {
    const std::string_view prompt = Messages::passwordPrompt;
    const QString text = QString::fromUtf8(prompt.data(), qsizetype(prompt.size()));
    const qsizetype at = text.indexOf(QLatin1String("%s"));
    return text.left(at) + fileName + text.mid(at + 2);
}

void CEnterPassWordDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        message_->setText(promptText(fileName_));
        notAccepted_->setVisible(retry_);
        if (retry_) {
            passwordEdit_->setAccessibleDescription(UiTexts::passwordNotAccepted.toString());
        }
        passwordEdit_->setFocus();
    }
    QDialog::showEvent(event);
}

void CEnterPassWordDlg::accept() {
    password_ = passwordEdit_->text();
    QDialog::accept();
}

void CEnterPassWordDlg::reject() {
    password_.clear();
    QDialog::reject();
}

} // namespace zarta::ui
