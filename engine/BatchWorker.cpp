#include "engine/BatchWorker.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchPage.h"
#include "engine/ConversionError.h"
#include "engine/ExportSettings.h"
#include "engine/FileConverter.h"
#include "engine/Messages.h"
#include "engine/NoWordProcessor.h"
#include "engine/OutputNaming.h"
#include "engine/PasswordRules.h"
#include "engine/StagedOutput.h"
#include "engine/UserPrompts.h"
#include "engine/WorkFolder.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace zarta {

// A file taken on by the batch: its staged output, and once a lane is done with its
// word-processor part, what that came to and the PDF stage writing into it on the lane's second
// thread. The PDF stage is destroyed first, so its thread is waited for before the staged output
// and its work folder are removed.
struct BatchWorker::File {
    int index = 0;
    int count = 0;
    std::string sourcePath;
    std::string outputPath;
    std::unique_ptr<WorkFolder> work;
    std::unique_ptr<StagedOutput> staged;
    // Set by the lane under Lanes::mutex, read by the worker once done is.
    bool done = false;
    FileOutcome outcome = FileOutcome::NotConverted;
    std::exception_ptr failure;
    bool noWordProcessor = false; // the failure is that no word processor could be started
    bool notReached = false;      // never started: an earlier failure ended the batch
    std::shared_future<void> pdf;
};

// What the worker and its lanes share. Everything but the threads and underWay is guarded by
// mutex; underWay is changed by the worker's thread only, and lanes never read it.
struct BatchWorker::Lanes {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<File>> waiting;  // handed out, not yet taken by a lane
    std::deque<std::shared_ptr<File>> underWay; // taken on, not yet reported, in list order
    int nextToReport = 0; // every file before it has been reported to the user
    bool closing = false; // no more files come; the lanes end
    int working = 0;      // lanes that have not given up for want of a word processor
    int idle = 0;         // lanes waiting for a file
    int asking = 0;       // lanes waiting for their file's turn to ask the user
    int givingUp = 0;     // lanes whose word processor could not be started, waiting to hand over
    int prompting = -1;   // the file that has its turn and may be asking the user right now
    int broken = 0;       // lanes whose word processor failed to start on their last file
    int count = 1;        // lanes, counting the worker's own when it has no lane thread
    // A failure of every lane ended the batch: no more files are started. Written by the
    // worker's thread under mutex, so that thread may read it without.
    bool ending = false;
    std::vector<std::thread> threads;
};

namespace {

FileReport reportFor(int index, int count, const std::string& sourcePath,
                     const std::string& outputPath, FileReport::Result result) {
    FileReport report;
    report.index = index;
    report.count = count;
    report.sourcePath = sourcePath;
    report.outputPath = outputPath;
    report.result = result;
    return report;
}

} // namespace

BatchWorker::BatchWorker(BatchPage& page, FileConverter& converter, UserPrompts& prompts,
                         BatchControl& control, ConversionOptions options, std::string dataFolder)
    : BatchWorker(page, std::vector<FileConverter*>{&converter}, prompts, control,
                  std::move(options), std::move(dataFolder)) {}

BatchWorker::BatchWorker(BatchPage& page, std::vector<FileConverter*> converters,
                         UserPrompts& prompts, BatchControl& control, ConversionOptions options,
                         std::string dataFolder)
    : page_(page), converters_(std::move(converters)), prompts_(prompts), control_(control),
      options_(std::move(options)), dataFolder_(std::move(dataFolder)) {
    if (converters_.empty()) {
        throw std::invalid_argument("a batch needs at least one converter");
    }
}

BatchWorker::~BatchWorker() = default;

int BatchWorker::runBatch() {
    try {
        summary_ = BatchSummary();
        page_.batchStarted();
        control_.sleepFor(startDelay_);
        // Passwords the PDF could not keep as entered would give a PDF weaker than the user
        // believes: no file is converted with them.
        if (const auto problem = PasswordRules::problem(options_)) {
            prompts_.showMessage(*problem);
            summary_.refused = true;
        } else {
            // Settings the batch's route cannot apply are said once, never dropped in silence.
            if (const auto notice = ExportSettings::unusedSettings(options_)) {
                prompts_.showMessage(*notice);
            }
            convertAll();
        }
        page_.batchFinished(summary_);
    } catch (const BatchAbandoned&) {
        // The page has already reset itself; an abandoned batch leaves it alone.
    }
    return 0;
}

void BatchWorker::convertAll() {
    lanes_ = std::make_unique<Lanes>();
    Lanes& lanes = *lanes_;
    // However the batch ends, the lanes end with it, and with them every PDF stage and work
    // folder still under way.
    struct EndLanes {
        std::unique_ptr<Lanes>& lanes;
        ~EndLanes() {
            {
                std::lock_guard lock(lanes->mutex);
                lanes->closing = true;
            }
            lanes->changed.notify_all();
            for (auto& thread : lanes->threads) {
                thread.join();
            }
            lanes.reset();
        }
    } endLanes{lanes_};
    // Abandoning wakes whoever waits on the lanes; the lock makes sure no waiter misses it.
    // Unregistered before the lanes end.
    const auto wake = control_.onAbandon([&lanes] {
        std::lock_guard lock(lanes.mutex);
        lanes.changed.notify_all();
    });

    const int count = page_.fileCount();
    // A list read as the batch goes is asked for each next file once a lane is free for it, so
    // the first file starts before the list has been read to its end.
    const bool streamed = count == BatchPage::unknownCount;
    summary_.files = streamed ? 0 : count;
    for (FileConverter* converter : converters_) {
        try {
            std::lock_guard lock(lanes.mutex);
            lanes.threads.emplace_back([this, converter] { runLane(*converter); });
            ++lanes.working;
        } catch (const std::system_error&) {
            break; // fewer lanes than converters: the ones that started do the work
        }
    }
    // Without a lane thread this thread is the one lane: a file's word-processor part runs here
    // once it is taken on, and before it asks the user anything, the earlier files are shown.
    const bool ownLane = lanes.threads.empty();
    lanes.count = std::max<int>(static_cast<int>(lanes.threads.size()), 1);
    std::shared_future<void> ownLanePdf;
    // A lane works on one file in its word processor while its PDF stage writes another, and
    // takes a file only when it is free for it.
    const std::size_t limit = 2 * std::max<std::size_t>(lanes.threads.size(), 1);

    int index = 0;
    for (; streamed || index < count; ++index) {
        control_.checkpoint();
        waitForLane(ownLane, limit);
        control_.checkpoint();
        if (lanes.ending) {
            endEarly(index, count);
            return;
        }
        if (streamed) {
            while (!page_.fileArrived(index) && settleNext()) {
            }
            // A file settled meanwhile may have ended the batch.
            if (lanes.ending) {
                endEarly(index, count);
                return;
            }
            if (!page_.hasFileAt(index)) {
                break;
            }
            summary_.files = index + 1;
        }
        const std::shared_ptr<File> file = takeOn(index, count);
        if (!file) {
            continue;
        }
        {
            std::lock_guard lock(lanes.mutex);
            lanes.underWay.push_back(file);
            if (!ownLane) {
                lanes.waiting.push_back(file);
            }
        }
        if (ownLane) {
            try {
                startFile(
                    *converters_.front(), *file, [this, index] { settleUpTo(index - 1); },
                    ownLanePdf);
                std::lock_guard lock(lanes.mutex);
                lanes.broken = 0;
            } catch (const NoWordProcessor&) {
                // No other lane to hand the file to.
                std::lock_guard lock(lanes.mutex);
                lanes.broken = 1;
                file->failure = std::current_exception();
                file->noWordProcessor = true;
                file->done = true;
            }
        } else {
            lanes.changed.notify_all();
        }
    }
    settleUpTo(index - 1);
}

void BatchWorker::endEarly(int index, int count) {
    Lanes& lanes = *lanes_;
    // Files handed out but not taken by a lane are not started any more.
    {
        std::lock_guard lock(lanes.mutex);
        for (const auto& file : lanes.waiting) {
            file->notReached = true;
            file->done = true;
        }
        lanes.waiting.clear();
    }
    settleUpTo(index - 1);
    const bool streamed = count == BatchPage::unknownCount;
    for (int next = index; streamed ? page_.hasFileAt(next) : next < count; ++next) {
        if (streamed) {
            summary_.files = next + 1;
        }
        FileReport report = reportFor(next, count, page_.fileAt(next), std::string(),
                                      FileReport::Result::NotReached);
        report.outputPath = destination_.empty() ? std::string()
                                                 : destination_ + page_.outputSubfolder(next) +
                                                       OutputNaming::pdfName(report.sourcePath);
        report.message = std::string(Messages::batchEndedBefore);
        publish(report);
    }
}

void BatchWorker::waitForLane(bool ownLane, std::size_t limit) {
    Lanes& lanes = *lanes_;
    for (;;) {
        // Outcomes already known are shown at once, in list order.
        settleReady();
        if (lanes.ending) {
            return;
        }
        if (lanes.underWay.size() >= limit) {
            settleFirst();
            continue;
        }
        std::unique_lock lock(lanes.mutex);
        if (control_.isAbandoned()) {
            throw BatchAbandoned();
        }
        // Taking the next file from the page may show it (a terminal names the file it
        // starts), so it waits while an earlier file asks the user something; and it is handed
        // out only to a lane that is free for it (idle lanes take the files waiting first).
        if (lanes.prompting < 0 &&
            (ownLane || lanes.idle > static_cast<int>(lanes.waiting.size()))) {
            return;
        }
        // A lane that waits for the earlier files to be shown before it asks the user is
        // waiting for this thread.
        if (lanes.asking > 0 && !lanes.underWay.empty()) {
            lock.unlock();
            settleFirst();
            continue;
        }
        lanes.changed.wait(lock);
    }
}

void BatchWorker::settleReady() {
    Lanes& lanes = *lanes_;
    for (;;) {
        {
            std::lock_guard lock(lanes.mutex);
            if (lanes.underWay.empty()) {
                return;
            }
            const File& first = *lanes.underWay.front();
            if (!first.done || (first.pdf.valid() && first.pdf.wait_for(std::chrono::seconds(0)) !=
                                                         std::future_status::ready)) {
                return;
            }
        }
        settleFirst();
    }
}

std::shared_ptr<BatchWorker::File> BatchWorker::takeOn(int index, int count) {
    auto file = std::make_shared<File>();
    file->index = index;
    file->count = count;
    file->sourcePath = page_.fileAt(index);
    page_.fileStarting(index, count, file->sourcePath);
    if (index == 0) {
        destination_ = OutputNaming::withTrailingSeparator(page_.destinationFolder());
        page_.destinationSettled(destination_);
    }
    file->outputPath =
        destination_ + page_.outputSubfolder(index) + OutputNaming::pdfName(file->sourcePath);

    // An earlier file may be about to publish a PDF of the same name, which this one must find
    // and ask about.
    int sameName = -1;
    for (const auto& earlier : lanes_->underWay) {
        if (earlier->outputPath == file->outputPath) {
            sameName = earlier->index;
        }
    }
    settleUpTo(sameName);
    std::error_code ignored;
    if (std::filesystem::exists(file->outputPath, ignored) && !page_.replacesWithoutAsking()) {
        settleUpTo(index - 1);
        const bool replace = page_.askReplace(file->outputPath);
        control_.checkpoint();
        if (!replace) {
            publish(reportFor(index, count, file->sourcePath, file->outputPath,
                              FileReport::Result::Kept));
            return nullptr;
        }
        // The old PDF stays until the new one is complete (see StagedOutput).
    }

    std::exception_ptr failure;
    try {
        file->work = std::make_unique<WorkFolder>(dataFolder_);
        file->staged = std::make_unique<StagedOutput>(file->outputPath, *file->work);
    } catch (const BatchAbandoned&) {
        throw;
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        settleUpTo(index - 1);
        publish(conclude(*file, [&] { std::rethrow_exception(failure); }));
        return nullptr;
    }
    return file;
}

void BatchWorker::runLane(FileConverter& converter) {
    Lanes& lanes = *lanes_;
    // The PDF stage of this lane's previous file: one at a time per lane.
    std::shared_future<void> previousPdf;
    // Whether this lane's word processor failed to start on its last file.
    bool broken = false;
    for (;;) {
        std::shared_ptr<File> file;
        {
            std::unique_lock lock(lanes.mutex);
            ++lanes.idle;
            lanes.changed.notify_all();
            lanes.changed.wait(lock, [&] { return lanes.closing || !lanes.waiting.empty(); });
            --lanes.idle;
            if (lanes.waiting.empty()) {
                return;
            }
            file = lanes.waiting.front();
            lanes.waiting.pop_front();
            if (lanes.ending) {
                file->notReached = true;
                file->done = true;
                lanes.changed.notify_all();
                continue;
            }
        }
        // A file that had its turn to ask keeps it until its word-processor part is over.
        struct EndPrompting {
            Lanes& lanes;
            int index;
            ~EndPrompting() {
                {
                    std::lock_guard lock(lanes.mutex);
                    if (lanes.prompting == index) {
                        lanes.prompting = -1;
                    }
                }
                lanes.changed.notify_all();
            }
        };
        try {
            const int index = file->index;
            const EndPrompting endPrompting{lanes, index};
            startFile(
                converter, *file, [this, index] { waitForTurn(index); }, previousPdf);
            if (broken) {
                std::lock_guard lock(lanes.mutex);
                broken = false;
                --lanes.broken;
            }
        } catch (const NoWordProcessor&) {
            // This lane's word processor cannot be started: the file goes to a lane that is free
            // for it (it keeps its place in the list) and this lane ends. A lane that waits to
            // ask the user, or to hand over a file of its own, may be waiting for this file, so
            // when every other lane does, the file's failure is reported instead, as it is when
            // no other lane is left.
            std::unique_lock lock(lanes.mutex);
            if (!broken) {
                broken = true;
                ++lanes.broken;
            }
            ++lanes.givingUp;
            lanes.changed.notify_all();
            lanes.changed.wait(lock, [&] {
                return lanes.idle > 0 || lanes.working - 1 <= lanes.asking + lanes.givingUp - 1 ||
                       lanes.ending || lanes.closing || control_.isAbandoned();
            });
            --lanes.givingUp;
            if (lanes.ending) {
                file->notReached = true;
                file->done = true;
                lock.unlock();
                lanes.changed.notify_all();
                continue;
            }
            if (lanes.idle > 0 && !lanes.closing && !control_.isAbandoned()) {
                --lanes.working;
                lanes.waiting.push_front(std::move(file));
                lock.unlock();
                lanes.changed.notify_all();
                return;
            }
            file->failure = std::current_exception();
            file->noWordProcessor = true;
            file->done = true;
            lock.unlock();
            lanes.changed.notify_all();
        }
    }
}

void BatchWorker::startFile(FileConverter& converter, File& file,
                            const std::function<void()>& beforeAsking,
                            std::shared_future<void>& previousPdf) {
    FileConverter::Started started;
    std::exception_ptr failure;
    try {
        started =
            converter.start(file.sourcePath, file.staged->path(), options_, control_, beforeAsking);
        control_.checkpoint();
    } catch (const NoWordProcessor&) {
        throw;
    } catch (...) {
        // BatchAbandoned too: the worker passes it on when it comes to this file.
        failure = std::current_exception();
    }
    std::shared_future<void> pdf;
    if (!failure && started.outcome == FileOutcome::Converted && started.remainder) {
        if (previousPdf.valid()) {
            previousPdf.wait();
        }
        const auto task = [remainder = std::move(started.remainder), this] { remainder(control_); };
        try {
            pdf = std::async(std::launch::async, task).share();
        } catch (const std::system_error&) {
            // No second thread to be had: the PDF is written when the worker settles the file.
            pdf = std::async(std::launch::deferred, task).share();
        }
        previousPdf = pdf;
    }
    {
        std::lock_guard lock(lanes_->mutex);
        file.outcome = started.outcome;
        file.failure = failure;
        file.pdf = std::move(pdf);
        file.done = true;
    }
    lanes_->changed.notify_all();
}

void BatchWorker::waitForTurn(int index) {
    Lanes& lanes = *lanes_;
    {
        std::unique_lock lock(lanes.mutex);
        ++lanes.asking;
        lanes.changed.notify_all();
        lanes.changed.wait(lock, [&] {
            return lanes.nextToReport >= index || lanes.closing || control_.isAbandoned();
        });
        --lanes.asking;
        if (lanes.closing && lanes.nextToReport < index) {
            throw BatchAbandoned();
        }
        lanes.prompting = index;
    }
    control_.checkpoint();
}

void BatchWorker::settleFirst() {
    Lanes& lanes = *lanes_;
    std::shared_ptr<File> file;
    {
        std::unique_lock lock(lanes.mutex);
        file = lanes.underWay.front();
        lanes.changed.wait(lock, [&] { return file->done || control_.isAbandoned(); });
        if (!file->done) {
            throw BatchAbandoned();
        }
        lanes.underWay.pop_front();
        // Two lanes may both have failed to start their word processor on a file each; once the
        // first of these failures ended the batch, the later one is not said again.
        if (lanes.ending && file->noWordProcessor) {
            file->notReached = true;
        }
    }
    // Nothing more is shown once the batch is abandoned, and nothing while it is held.
    control_.checkpoint();
    if (file->notReached) {
        FileReport report = reportFor(file->index, file->count, file->sourcePath, file->outputPath,
                                      FileReport::Result::NotReached);
        report.message = std::string(Messages::batchEndedBefore);
        publish(report);
    } else if (file->failure) {
        const FileReport report = conclude(*file, [&] { std::rethrow_exception(file->failure); });
        publish(report);
        // Without a word processor in any lane, every file after this one would fail the same
        // way: the batch ends with this message instead of repeating it for each file.
        std::lock_guard lock(lanes.mutex);
        if (file->noWordProcessor && lanes.broken >= lanes.count && !lanes.ending) {
            lanes.ending = true;
            summary_.endedBy = report.message;
        }
    } else if (file->outcome == FileOutcome::Converted) {
        publish(conclude(*file, [&] {
            if (file->pdf.valid()) {
                file->pdf.get();
            }
            control_.checkpoint();
            file->staged->commit();
        }));
    } else {
        publish(reportFor(file->index, file->count, file->sourcePath, file->outputPath,
                          FileReport::Result::GaveUp));
    }
}

bool BatchWorker::settleNext() {
    {
        std::lock_guard lock(lanes_->mutex);
        if (lanes_->underWay.empty()) {
            return false;
        }
    }
    settleFirst();
    return true;
}

void BatchWorker::settleUpTo(int index) {
    for (;;) {
        {
            std::lock_guard lock(lanes_->mutex);
            if (lanes_->underWay.empty() || lanes_->underWay.front()->index > index) {
                return;
            }
        }
        settleFirst();
    }
}

FileReport BatchWorker::conclude(const File& file, const std::function<void()>& step) {
    FileReport report = reportFor(file.index, file.count, file.sourcePath, file.outputPath,
                                  FileReport::Result::Converted);
    // The one place where a file's failure becomes its result: the user is told, the file is
    // reported as failed, the batch goes on.
    try {
        step();
        return report;
    } catch (const BatchAbandoned&) {
        throw;
    } catch (const ConversionError& error) {
        report.message = error.what();
    } catch (const std::exception& error) {
        report.message = Messages::fill(Messages::couldNotConvert, file.sourcePath) + error.what();
    }
    report.result = FileReport::Result::Failed;
    prompts_.showMessage(report.message);
    return report;
}

void BatchWorker::publish(const FileReport& report) {
    switch (report.result) {
    case FileReport::Result::Converted:
        ++summary_.converted;
        break;
    case FileReport::Result::Kept:
        ++summary_.kept;
        break;
    case FileReport::Result::Failed:
        ++summary_.failed;
        break;
    case FileReport::Result::GaveUp:
        ++summary_.gaveUp;
        break;
    case FileReport::Result::NotReached:
        ++summary_.notReached;
        break;
    }
    page_.fileReported(report);
    {
        std::lock_guard lock(lanes_->mutex);
        lanes_->nextToReport = report.index + 1;
    }
    lanes_->changed.notify_all();
}

} // namespace zarta
