#pragma once

#include "app/desktop/GuiBatchPage.h"
#include "app/desktop/GuiPrompts.h"
#include "app/desktop/PagePrintWatch.h"
#include "app/ui/GuiThreadCall.h"
#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <vector>

class QThread;

namespace zarta {

class BatchWorker;
class ConverterFactory;
class FileConverter;

namespace desktop {

class CConvertDlg;

// One batch on a worker thread of its own: the batch's control (hold, resume, abandon), the
// link that carries the worker's calls onto the user-interface thread, the page and prompts
// adapters, the print watch, the converters the services made for it and the batch worker.
//
// start() starts the thread, which runs the batch and then destroys the converters (ending
// whatever they kept running). finished() is emitted on the user-interface thread once the
// thread has ended its work.
//
// Thread: construct, start, control the batch and destroy on the user-interface thread. The
// destructor detaches the link; it may run only after the thread has ended (see wait()).
class BatchRun : public QObject {
    Q_OBJECT
public:
    // Throws what the services throw when no converter can be made.
    BatchRun(CConvertDlg& page, ConverterFactory& services, ConversionOptions options);
    ~BatchRun() override;

    void start();
    BatchControl& control() { return control_; }
    ui::GuiThreadCall& link() { return link_; }

    // Waits for the thread to end, at most for the given time; true when it has ended.
    bool wait(std::chrono::milliseconds timeout);

signals:
    void finished(zarta::desktop::BatchRun* run);

private:
    BatchControl control_;
    ui::GuiThreadCall link_;
    GuiBatchPage page_;
    GuiPrompts prompts_;
    PagePrintWatch printWatch_;
    std::vector<std::unique_ptr<FileConverter>> converters_;
    std::unique_ptr<BatchWorker> worker_;
    QThread* thread_ = nullptr;
};

} // namespace desktop
} // namespace zarta
