#pragma once

#include "app/ui/OptionPage.h"

#include <QString>

#include <array>
#include <vector>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace zarta::ui {

// The "Security" option page: whether the PDF is encrypted, the user and owner passwords with
// their boxes, the four allowed actions and the encryption level (two RC4 levels in their group,
// two AES levels in a row below it; all four radio buttons exclude each other).
//
// At start the controls show the defaults of ConversionOptions: "Enable PDF Security" unchecked,
// both password boxes checked, no action allowed, "Low(40-bit RC4)" selected; and every dependent
// control (the passwords and their boxes, the allowed actions, the levels) is disabled. Clicking
// "Enable PDF Security" disables them all, or enables them all and then each password edit only as
// far as its box is checked; clicking a password box enables or disables its edit. Disabling never
// changes a check state or a text.
class CSecurityDlg : public OptionPage {
    Q_OBJECT
public:
    struct Ids {
        int page;
        int enableSecurity;
        int enableUserPassword;
        int userPassword;
        int enableOwnerPassword;
        int ownerPassword;
        int allowedActions; // group box; 0: none
        int contentCopying;
        int formFilling;
        int documentChanging;
        int printing;
        int encryptionLevel; // group box; 0: none
        int low;
        int high;
        int aes128;
        int aes256;
    };
    static constexpr Ids desktopIds{133,  1005, 1006, 1015, 1007, 1022, 1021, 1008,
                                    1009, 1010, 1011, 1023, 1012, 1013, 1042, 1043};
    static constexpr Ids addInIds{204, 203, 204, 210, 205, 211, 0,   207,
                                  206, 208, 209, 0,   212, 213, 242, 243};
    static const Ids& ids(UiVariant variant);

    explicit CSecurityDlg(UiVariant variant, QWidget* parent = nullptr);

    void storeControls() override;

    // Puts the focus into the owner's (or the user's) password field, all of it selected, so
    // that a refused password can be typed over at once.
    void focusPassword(bool owner);

    // The values as last stored.
    bool securityEnabled() const { return securityEnabled_; }
    bool userPasswordEnabled() const { return userPasswordEnabled_; }
    const QString& userPassword() const { return userPassword_; }
    bool ownerPasswordEnabled() const { return ownerPasswordEnabled_; }
    const QString& ownerPassword() const { return ownerPassword_; }
    // Content copying, form filling, document changing, printing: the order of
    // OptionTable::permissions.
    const std::array<bool, 4>& permissions() const { return permissions_; }
    // The checked level's place in OptionTable::encryptionLevel: 0 for "Low(40-bit RC4)", 1 for
    // "High(128-bit RC4)", 2 and 3 for the AES levels; -1 if none is checked.
    int encryptionLevel() const { return encryptionLevel_; }

private:
    // The controls "Enable PDF Security" governs, in the order they are switched.
    std::vector<QWidget*> dependents() const;
    // The level radio buttons in the order of OptionTable::encryptionLevel.
    std::array<QRadioButton*, 4> levels() const;
    void securityClicked();

    QCheckBox* enableSecurity_ = nullptr;
    QCheckBox* enableUserPassword_ = nullptr;
    QLineEdit* userPasswordEdit_ = nullptr;
    QCheckBox* enableOwnerPassword_ = nullptr;
    QLineEdit* ownerPasswordEdit_ = nullptr;
    std::array<QCheckBox*, 4> permissionBoxes_{};
    QRadioButton* low_ = nullptr;
    QRadioButton* high_ = nullptr;
    QRadioButton* aes128_ = nullptr;
    QRadioButton* aes256_ = nullptr;

    bool securityEnabled_ = false;
    bool userPasswordEnabled_ = false;
    QString userPassword_;
    bool ownerPasswordEnabled_ = false;
    QString ownerPassword_;
    std::array<bool, 4> permissions_{};
    int encryptionLevel_ = 0;
};

} // namespace zarta::ui
