#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace zarta::addin {
class CConvertDlg;
}

// Answers the add-in's modal dialogs while a test runs the event loop: the convert dialog, when
// it runs modally (a click in the host), is handed to onConvertDialog once, and closed one second
// after its run has ended ("Complete!"), when the completion dialog has had its time; the
// completion dialog is counted and answered "&Yes" or "&No".
class AddinDialogWatcher : public QObject {
public:
    AddinDialogWatcher();

    std::function<void(zarta::addin::CConvertDlg&)> onConvertDialog;
    bool answerCompletion = true;
    bool answerYes = false;
    int completions = 0;

private:
    void answer();
    QTimer timer_;
    QPointer<zarta::addin::CConvertDlg> handed_;
    QElapsedTimer sinceComplete_;
};
