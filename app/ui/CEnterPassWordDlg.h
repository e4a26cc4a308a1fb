#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

namespace zarta::ui {

// Asks for the password of a protected document. The caller sets the file name (the name only,
// without its folder) and runs exec(): "OK" (also Enter) accepts with password() holding the
// edit's text, possibly empty; "Cancel", Escape and the title bar's close button reject and
// leave password() empty.
//
// User-interface thread only; a worker reaches it through a call queued onto that thread.
class CEnterPassWordDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int templateId = 149;
    static constexpr int messageId = 1030;
    static constexpr int passwordId = 1031;
    static constexpr int notAcceptedId = 1032;

    explicit CEnterPassWordDlg(QWidget* parent = nullptr);

    void setFileName(const QString& fileName) { fileName_ = fileName; }
    // Whether the password given before for this document did not open it: a line above the
    // prompt then says so (also told to screen readers with the password field).
    void setRetry(bool retry) { retry_ = retry; }
    const QString& fileName() const { return fileName_; }
    const QString& password() const { return password_; }

    // The prompt with the file name inserted verbatim (a "%" in it is shown as it is).
    static QString promptText(const QString& fileName);

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* notAccepted_ = nullptr;
    QLabel* message_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QString fileName_;
    QString password_;
    bool retry_ = false;
};

} // namespace zarta::ui
