#include "app/desktop/BatchRun.h"

#include "app/desktop/CConvertDlg.h"
#include "engine/BatchWorker.h"
#include "engine/ConverterFactory.h"
#include "engine/FileConverter.h"

#include <QDeadlineTimer>
#include <QThread>

namespace zarta::desktop {

BatchRun::BatchRun(CConvertDlg& page, ConverterFactory& services, ConversionOptions options)
    : link_(&page, control_), page_(page, link_), prompts_(page, link_), printWatch_(page, link_),
      converters_(services.makeConverters({}, prompts_, printWatch_)) {
    std::vector<FileConverter*> converters;
    for (const auto& converter : converters_) {
        converters.push_back(converter.get());
    }
    worker_ = std::make_unique<BatchWorker>(page_, std::move(converters), prompts_, control_,
                                            std::move(options), services.dataFolder());
    thread_ = QThread::create([this] {
        worker_->runBatch();
        // The converters' word processors belong to this thread and end here, also after an
        // abandoned batch.
        converters_.clear();
    });
    thread_->setParent(this);
    connect(thread_, &QThread::finished, this, [this] { emit finished(this); });
}

BatchRun::~BatchRun() {
    link_.detach();
}

void BatchRun::start() {
    thread_->start();
}

bool BatchRun::wait(std::chrono::milliseconds timeout) {
    return thread_->wait(QDeadlineTimer(timeout));
}

} // namespace zarta::desktop
