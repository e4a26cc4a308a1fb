#include "engine/BatchWorker.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchPage.h"
#include "engine/ConversionError.h"
#include "engine/FileConverter.h"
#include "engine/Messages.h"
#include "engine/NoWordProcessor.h"
#include "engine/OutputNaming.h"
#include "engine/PasswordRules.h"
#include "engine/StagedOutput.h"
#include "engine/UserPrompts.h"
#include "engine/WorkFolder.h"

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>

namespace zarta {

// A file on its way through the batch: its staged output, and once its word-processor part is
// done, the PDF stage writing into it on the second thread.
// The members are destroyed in reverse order: the PDF stage's thread is waited for before the
// staged output and its work folder are removed.
struct BatchWorker::InFlight {
    int index = 0;
    int count = 0;
    std::string sourcePath;
    std::string outputPath;
    std::unique_ptr<WorkFolder> work;
    std::unique_ptr<StagedOutput> staged;
    std::future<void> pdf;
};

// A file handed to the lanes: its staged output, and once a lane is done with its word-processor
// part, what that came to and the PDF stage writing into it on the lane's second thread.
// The PDF stage is destroyed first, so its thread is waited for before the staged output and
// its work folder are removed.
struct BatchWorker::Handed {
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
    std::shared_future<void> pdf;
};

// What the worker and its lanes share. Everything but the threads is guarded by mutex.
struct BatchWorker::Lanes {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<Handed>> waiting;  // handed out, not yet taken by a lane
    std::deque<std::shared_ptr<Handed>> underWay; // handed out, not yet reported, in list order
    int nextToReport = 0; // every file before it has been reported to the user
    bool closing = false; // no more files come; the lanes end
    int working = 0;      // lanes that have not given up for want of a word processor
    int idle = 0;         // lanes waiting for a file
    int asking = 0;       // lanes waiting for their file's turn to ask the user
    int givingUp = 0;     // lanes whose word processor could not be started, waiting to hand over
    int prompting = -1;   // the file that has its turn and may be asking the user right now
    std::vector<std::thread> threads;
};

BatchWorker::BatchWorker(BatchPage& page, FileConverter& converter, UserPrompts& prompts,
                         BatchControl& control, ConversionOptions options, std::string dataFolder)
    : BatchWorker(page, std::vector<FileConverter*>{&converter}, prompts, control,
                  std::move(options), std::move(dataFolder)) {}

BatchWorker::BatchWorker(BatchPage& page, std::vector<FileConverter*> converters,
                         UserPrompts& prompts, BatchControl& control, ConversionOptions options,
                         std::string dataFolder)
    : page_(page), converters_(std::move(converters)), converter_(*converters_.at(0)),
      prompts_(prompts), control_(control), options_(std::move(options)),
      dataFolder_(std::move(dataFolder)) {}

BatchWorker::~BatchWorker() = default;

int BatchWorker::runBatch() {
    // However the batch ends, no PDF stage outlives it.
    struct EndInFlight {
        std::unique_ptr<InFlight>& inFlight;
        ~EndInFlight() { inFlight.reset(); }
    } endInFlight{inFlight_};
    try {
        page_.setConverting(true);
        control_.sleepFor(startDelay_);
        // Passwords the PDF could not keep as entered would give a PDF weaker than the user
        // believes: no file is converted with them.
        if (const auto problem = PasswordRules::problem(options_)) {
            prompts_.showMessage(*problem);
        } else if (converters_.size() > 1) {
            convertInLanes();
        } else {
            convertEach();
            settle();
        }
        finish();
    } catch (const BatchAbandoned&) {
        // The page has already reset itself; an abandoned batch leaves it alone.
    }
    return 0;
}

void BatchWorker::convertEach() {
    const int count = page_.fileCount();
    for (int i = 0; i < count; ++i) {
        control_.checkpoint();
        convertOne(i, count);
    }
}

void BatchWorker::convertOne(int index, int count) {
    const std::string source = page_.fileAt(index);
    if (index == 0) {
        const std::string folder = page_.destinationFolder();
        const std::string withSeparator = OutputNaming::withTrailingSeparator(folder);
        if (withSeparator != folder) {
            page_.setDestinationFolder(withSeparator);
        }
    }
    const std::string name = OutputNaming::pdfName(source);
    const std::string outputPath = page_.destinationFolder() + name;

    // The file before may be about to publish a PDF of the same name, which this one must find
    // and ask about.
    if (inFlight_ && inFlight_->outputPath == outputPath) {
        settle();
    }
    std::error_code ignored;
    if (std::filesystem::exists(outputPath, ignored) && !page_.replacesWithoutAsking()) {
        settle();
        const bool replace = page_.askReplace(outputPath);
        control_.checkpoint();
        if (!replace) {
            page_.setProgress(index + 1, count, true);
            return;
        }
        // The old PDF stays until the new one is complete (see StagedOutput).
    }
    startConversion(index, count, source, outputPath);
}

void BatchWorker::startConversion(int index, int count, const std::string& sourcePath,
                                  const std::string& outputPath) {
    auto next = std::make_unique<InFlight>();
    next->index = index;
    next->count = count;
    next->sourcePath = sourcePath;
    next->outputPath = outputPath;
    FileConverter::Started started;
    std::exception_ptr failure;
    try {
        next->work = std::make_unique<WorkFolder>(dataFolder_);
        next->staged = std::make_unique<StagedOutput>(outputPath, *next->work);
        started = converter_.start(sourcePath, next->staged->path(), options_, control_,
                                   [this] { settle(); });
        control_.checkpoint();
    } catch (const BatchAbandoned&) {
        throw;
    } catch (...) {
        failure = std::current_exception();
    }
    // The file before is shown first, whatever this one came to; and only one PDF stage runs
    // at a time.
    settle();
    if (failure) {
        reported(sourcePath, [&] { std::rethrow_exception(failure); });
        return;
    }
    if (started.outcome != FileOutcome::Converted) {
        return;
    }
    if (!started.remainder) {
        if (reported(sourcePath, [&] { next->staged->commit(); })) {
            record(next->index, next->count, next->sourcePath);
        }
        return;
    }
    const auto task = [remainder = std::move(started.remainder), this] { remainder(control_); };
    try {
        next->pdf = std::async(std::launch::async, task);
    } catch (const std::system_error&) {
        // No second thread to be had: the PDF is written on this thread when the file is settled.
        next->pdf = std::async(std::launch::deferred, task);
    }
    inFlight_ = std::move(next);
}

void BatchWorker::settle() {
    if (!inFlight_) {
        return;
    }
    const std::unique_ptr<InFlight> done = std::move(inFlight_);
    if (reported(done->sourcePath, [&] {
            done->pdf.get();
            control_.checkpoint();
            done->staged->commit();
        })) {
        record(done->index, done->count, done->sourcePath);
    }
}

void BatchWorker::record(int index, int count, const std::string& sourcePath) {
    page_.setProgress(index + 1, count, true);
    page_.appendProducedFile(OutputNaming::pdfName(sourcePath));
}

bool BatchWorker::reported(const std::string& sourcePath, const std::function<void()>& step) {
    // The one place where a file's failure becomes its result: the user is told, the file is
    // not counted, the batch goes on.
    try {
        step();
        return true;
    } catch (const BatchAbandoned&) {
        throw;
    } catch (const ConversionError& error) {
        prompts_.showMessage(error.what());
    } catch (const std::exception& error) {
        prompts_.showMessage("Couldn't convert \"" + sourcePath + "\": " + error.what());
    }
    return false;
}

void BatchWorker::convertInLanes() {
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
    for (FileConverter* converter : converters_) {
        try {
            std::lock_guard lock(lanes.mutex);
            lanes.threads.emplace_back([this, converter] { runLane(*converter); });
            ++lanes.working;
        } catch (const std::system_error&) {
            break; // fewer lanes than converters: the ones that started do the work
        }
    }
    if (lanes.threads.empty()) {
        convertEach();
        settle();
        return;
    }
    // A lane works on one file in its word processor while its PDF stage writes another.
    const std::size_t limit = 2 * lanes.threads.size();

    for (int index = 0; index < count; ++index) {
        control_.checkpoint();
        while (lanes.underWay.size() >= limit) {
            settleFirst();
        }
        // Taking the file from the page may show it (a terminal names the file it starts), so
        // it waits while an earlier file asks the user something.
        {
            std::unique_lock lock(lanes.mutex);
            lanes.changed.wait(lock, [&] { return lanes.prompting < 0 || control_.isAbandoned(); });
        }
        control_.checkpoint();
        const std::string source = page_.fileAt(index);
        if (index == 0) {
            const std::string folder = page_.destinationFolder();
            const std::string withSeparator = OutputNaming::withTrailingSeparator(folder);
            if (withSeparator != folder) {
                page_.setDestinationFolder(withSeparator);
            }
        }
        const std::string outputPath = page_.destinationFolder() + OutputNaming::pdfName(source);

        // An earlier file may be about to publish a PDF of the same name, which this one must
        // find and ask about.
        int sameName = -1;
        for (const auto& file : lanes.underWay) {
            if (file->outputPath == outputPath) {
                sameName = file->index;
            }
        }
        settleLanesUpTo(sameName);
        std::error_code ignored;
        if (std::filesystem::exists(outputPath, ignored) && !page_.replacesWithoutAsking()) {
            settleLanesUpTo(index - 1);
            const bool replace = page_.askReplace(outputPath);
            control_.checkpoint();
            if (!replace) {
                page_.setProgress(index + 1, count, true);
                reportedUpTo(index);
                continue;
            }
        }

        auto file = std::make_shared<Handed>();
        file->index = index;
        file->count = count;
        file->sourcePath = source;
        file->outputPath = outputPath;
        std::exception_ptr failure;
        try {
            file->work = std::make_unique<WorkFolder>(dataFolder_);
            file->staged = std::make_unique<StagedOutput>(outputPath, *file->work);
        } catch (const BatchAbandoned&) {
            throw;
        } catch (...) {
            failure = std::current_exception();
        }
        if (failure) {
            settleLanesUpTo(index - 1);
            reported(source, [&] { std::rethrow_exception(failure); });
            reportedUpTo(index);
            continue;
        }
        {
            std::lock_guard lock(lanes.mutex);
            lanes.waiting.push_back(file);
            lanes.underWay.push_back(std::move(file));
        }
        lanes.changed.notify_all();
    }
    settleLanesUpTo(count - 1);
}

void BatchWorker::runLane(FileConverter& converter) {
    Lanes& lanes = *lanes_;
    // The PDF stage of this lane's previous file: one at a time per lane, as with one converter.
    std::shared_future<void> previousPdf;
    for (;;) {
        std::shared_ptr<Handed> file;
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
        }
        FileConverter::Started started;
        std::exception_ptr failure;
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
            started = converter.start(file->sourcePath, file->staged->path(), options_, control_,
                                      [this, index] { waitForTurn(index); });
            control_.checkpoint();
        } catch (const NoWordProcessor&) {
            // This lane's word processor cannot be started: the file goes to a lane that is free
            // for it (it keeps its place in the list) and this lane ends. A lane that waits to
            // ask the user, or to hand over a file of its own, may be waiting for this file, so
            // when every other lane does, the file's failure is reported instead, as it is when
            // no other lane is left.
            std::unique_lock lock(lanes.mutex);
            ++lanes.givingUp;
            lanes.changed.notify_all();
            lanes.changed.wait(lock, [&] {
                return lanes.idle > 0 || lanes.working - 1 <= lanes.asking + lanes.givingUp - 1 ||
                       lanes.closing || control_.isAbandoned();
            });
            --lanes.givingUp;
            if (lanes.idle > 0 && !lanes.closing && !control_.isAbandoned()) {
                --lanes.working;
                lanes.waiting.push_front(std::move(file));
                lock.unlock();
                lanes.changed.notify_all();
                return;
            }
            failure = std::current_exception();
        } catch (...) {
            // BatchAbandoned too: the worker passes it on when it comes to this file.
            failure = std::current_exception();
        }
        std::shared_future<void> pdf;
        if (!failure && started.outcome == FileOutcome::Converted && started.remainder) {
            if (previousPdf.valid()) {
                previousPdf.wait();
            }
            const auto task = [remainder = std::move(started.remainder), this] {
                remainder(control_);
            };
            try {
                pdf = std::async(std::launch::async, task).share();
            } catch (const std::system_error&) {
                // No second thread to be had: the PDF is written when the worker settles the file.
                pdf = std::async(std::launch::deferred, task).share();
            }
            previousPdf = pdf;
        }
        {
            std::lock_guard lock(lanes.mutex);
            file->outcome = started.outcome;
            file->failure = failure;
            file->pdf = std::move(pdf);
            file->done = true;
        }
        lanes.changed.notify_all();
    }
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
    std::shared_ptr<Handed> file;
    {
        std::unique_lock lock(lanes.mutex);
        file = lanes.underWay.front();
        lanes.changed.wait(lock, [&] { return file->done || control_.isAbandoned(); });
        if (!file->done) {
            throw BatchAbandoned();
        }
        lanes.underWay.pop_front();
    }
    // Nothing more is shown once the batch is abandoned, and nothing while it is held.
    control_.checkpoint();
    if (file->failure) {
        reported(file->sourcePath, [&] { std::rethrow_exception(file->failure); });
    } else if (file->outcome == FileOutcome::Converted && reported(file->sourcePath, [&] {
                   if (file->pdf.valid()) {
                       file->pdf.get();
                   }
                   control_.checkpoint();
                   file->staged->commit();
               })) {
        record(file->index, file->count, file->sourcePath);
    }
    reportedUpTo(file->index);
}

void BatchWorker::settleLanesUpTo(int index) {
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

void BatchWorker::reportedUpTo(int index) {
    {
        std::lock_guard lock(lanes_->mutex);
        lanes_->nextToReport = index + 1;
    }
    lanes_->changed.notify_all();
}

void BatchWorker::finish() {
    page_.clearFileList();
    page_.stopStatusAnimation();
    page_.setProgress(100, 100, true);
    page_.setConverting(false);
    page_.setListBusy(false);
    page_.setStatus(std::string(page_.producedFileCount() > 0 ? Messages::statusComplete
                                                              : Messages::statusStopped));
    page_.enableEditing();
    page_.resetConvertButton();
    page_.startFinishTimer();
}

} // namespace zarta
