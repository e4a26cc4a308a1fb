#include "engine/BatchWorker.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchPage.h"
#include "engine/ConversionError.h"
#include "engine/FileConverter.h"
#include "engine/Messages.h"
#include "engine/OutputNaming.h"
#include "engine/PasswordRules.h"
#include "engine/StagedOutput.h"
#include "engine/UserPrompts.h"
#include "engine/WorkFolder.h"

#include <filesystem>
#include <future>
#include <system_error>

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

BatchWorker::BatchWorker(BatchPage& page, FileConverter& converter, UserPrompts& prompts,
                         BatchControl& control, ConversionOptions options, std::string dataFolder)
    : page_(page), converter_(converter), prompts_(prompts), control_(control),
      options_(std::move(options)), dataFolder_(std::move(dataFolder)) {}

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
    if (std::filesystem::exists(outputPath, ignored)) {
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
            record(*next);
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
        record(*done);
    }
}

void BatchWorker::record(const InFlight& file) {
    page_.setProgress(file.index + 1, file.count, true);
    page_.appendProducedFile(OutputNaming::pdfName(file.sourcePath));
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
