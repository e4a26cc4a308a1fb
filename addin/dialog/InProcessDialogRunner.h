#pragma once

#include "addin/ConvertDialogRunner.h"

#include <QString>

class QWidget;

namespace zarta {
class ConverterFactory;
} // namespace zarta

namespace zarta::addin {

// Runs the convert dialog in this process, modally and with no parent widget: for a process
// that runs Qt's user interface on the thread that calls run() (the dialog's own helper program,
// the tests' host). The dialog is told whether the document has unsaved changes; given the
// host's window, the dialog is made its transient, so that the window manager keeps it above
// that window.
//
// User-interface thread only. The converter factory must outlive the runner.
class InProcessDialogRunner : public ConvertDialogRunner {
public:
    // messageCaption: the caption of the dialog's message boxes.
    InProcessDialogRunner(ConverterFactory& services, QString messageCaption)
        : services_(services), messageCaption_(std::move(messageCaption)) {}

    // While a dialog runs, each line that arrives on the descriptor (the helper's standard
    // input, written by the add-in for a further click on its button) brings the dialog to the
    // front, also from a minimised state. The runner reads it but does not close it.
    void setRaiseRequests(int descriptor) { raiseRequests_ = descriptor; }

    // The dialog runs Qt's own event loop; whileWaiting is not needed.
    void run(const Request& request, const std::function<void()>& whileWaiting) override;

    // Brings a top-level widget to the front and gives it the focus.
    static void bringToFront(QWidget& window);

private:
    ConverterFactory& services_;
    QString messageCaption_;
    int raiseRequests_ = -1;
};

} // namespace zarta::addin
