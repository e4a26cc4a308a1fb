#include "addin/dialog/InProcessDialogRunner.h"

#include "addin/dialog/CConvertDlg.h"

#include <QSocketNotifier>
#include <QWindow>

#include <memory>
#include <unistd.h>

namespace zarta::addin {

void InProcessDialogRunner::bringToFront(QWidget& window) {
    if (window.isMinimized()) {
        window.showNormal();
    }
    window.raise();
    window.activateWindow();
}

void InProcessDialogRunner::run(const Request& request, const std::function<void()>&) {
    CConvertDlg dialog(services_, messageCaption_);
    dialog.setDocumentPath(request.documentPath);
    dialog.setUnsavedChanges(request.unsavedChanges);

    // The host's window as a window of this process, only to be the dialog's transient parent;
    // it must be set before the dialog is shown, when the dialog's window properties are made.
    std::unique_ptr<QWindow> hostWindow;
    if (request.hostWindow != 0) {
        hostWindow.reset(QWindow::fromWinId(WId(request.hostWindow)));
    }
    if (hostWindow) {
        dialog.winId();
        dialog.windowHandle()->setTransientParent(hostWindow.get());
    }

    std::unique_ptr<QSocketNotifier> requests;
    if (raiseRequests_ >= 0) {
        requests = std::make_unique<QSocketNotifier>(raiseRequests_, QSocketNotifier::Read);
        QObject::connect(requests.get(), &QSocketNotifier::activated, &dialog,
                         [this, &dialog, &requests] {
                             char lines[256];
                             const ssize_t got = ::read(raiseRequests_, lines, sizeof lines);
                             if (got <= 0) {
                                 // The add-in is gone or closed its end: nothing more comes.
                                 requests->setEnabled(false);
                                 return;
                             }
                             bringToFront(dialog);
                         });
    }
    dialog.exec();
    if (hostWindow) {
        dialog.windowHandle()->setTransientParent(nullptr);
    }
}

} // namespace zarta::addin
