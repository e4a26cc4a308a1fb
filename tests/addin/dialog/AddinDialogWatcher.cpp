#include "tests/addin/dialog/AddinDialogWatcher.h"

#include "addin/dialog/CCompleteDlg.h"
#include "addin/dialog/CConvertDlg.h"
#include "app/ui/StandardIds.h"
#include "tests/support/QtPrinters.h"

#include <QApplication>
#include <QPushButton>

using namespace zarta::addin;

AddinDialogWatcher::AddinDialogWatcher() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &AddinDialogWatcher::answer);
    timer_.start();
}

void AddinDialogWatcher::answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* complete = qobject_cast<CCompleteDlg*>(modal); complete && answerCompletion) {
        ++completions;
        findControl<QPushButton>(*complete, answerYes ? zarta::ui::StandardIds::ok
                                                      : zarta::ui::StandardIds::cancel)
            ->click();
    } else if (auto* dialog = qobject_cast<CConvertDlg*>(modal); dialog != nullptr) {
        if (dialog != handed_) {
            handed_ = dialog;
            sinceComplete_.invalidate();
            if (onConvertDialog) {
                onConvertDialog(*dialog);
            }
        } else if (dialog->isConverting() || dialog->statusText() != u"Complete!") {
            sinceComplete_.invalidate();
        } else if (!sinceComplete_.isValid()) {
            sinceComplete_.start();
        } else if (sinceComplete_.elapsed() > 1000) {
            dialog->reject();
        }
    }
}
