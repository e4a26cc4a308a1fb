#pragma once

#include "addin/ConvertDialogRunner.h"

#include <QString>

namespace zarta {
class ConverterFactory;
} // namespace zarta

namespace zarta::addin {

// Runs the convert dialog in this process, modally and with no parent: for a process that runs
// Qt's user interface on the thread that calls run() (the dialog's own helper program, the
// tests' host).
//
// User-interface thread only. The converter factory must outlive the runner.
class InProcessDialogRunner : public ConvertDialogRunner {
public:
    // messageCaption: the caption of the dialog's message boxes.
    InProcessDialogRunner(ConverterFactory& services, QString messageCaption)
        : services_(services), messageCaption_(std::move(messageCaption)) {}

    // The dialog runs Qt's own event loop; whileWaiting is not needed.
    void run(const std::string& documentPath, const std::function<void()>& whileWaiting) override;

private:
    ConverterFactory& services_;
    QString messageCaption_;
};

} // namespace zarta::addin
