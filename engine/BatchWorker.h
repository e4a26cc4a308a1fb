#pragma once

#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace zarta {

class BatchPage;
class FileConverter;
class UserPrompts;

// Converts every file of the convert page's list, one after the other, on the thread that
// calls runBatch().
//
// Before the first file it checks the passwords of the options (PasswordRules); with a
// password the PDF could not keep, it says why and converts nothing. For each file it forms the
// PDF's name and path, asks before replacing an existing PDF, has the FileConverter write the
// new PDF into a private work folder and publishes it (StagedOutput) only when it is complete,
// steps the progress bar and records the PDF's name. At the end it resets the page
// ("Complete!" or "Stoped") and arms the finish timer.
//
// A file's ConversionError is shown through the prompts and the batch goes on. When the user
// abandons the batch (BatchControl::abandon) the worker stops at its next safe point and
// returns without touching the page again.
//
// Files overlap in two stages: once a file's word-processor part is done (FileConverter::start),
// the rest of its conversion (the PDF stage) runs on a second thread while the worker goes on
// with the next file's word-processor part. At most one file is in that second stage at a time.
// Everything the user sees still follows the list's order: a file's outcome (progress step,
// recorded name or message) is shown before anything of the next file (its replace question,
// password prompt, message, progress step).
//
// Thread: construct anywhere, then call runBatch() once on the worker thread, which makes every
// call to the page and the prompts. The page, converter, prompts and control must outlive that
// call; the options are copied. runBatch() returns only once the second thread has ended.
class BatchWorker {
public:
    // dataFolder: the program's private data folder, where each file gets a work folder that
    // holds its PDF until it is complete.
    BatchWorker(BatchPage& page, FileConverter& converter, UserPrompts& prompts,
                BatchControl& control, ConversionOptions options, std::string dataFolder);
    ~BatchWorker();
    BatchWorker(const BatchWorker&) = delete;
    BatchWorker& operator=(const BatchWorker&) = delete;

    // The pause before the first file, which gives the page time to show its running state.
    void setStartDelay(std::chrono::milliseconds delay) { startDelay_ = delay; }

    // Runs the whole batch; returns 0, also when the batch was abandoned.
    int runBatch();

private:
    struct InFlight;

    void convertEach();
    void convertOne(int index, int count);
    void startConversion(int index, int count, const std::string& sourcePath,
                         const std::string& outputPath);
    void settle();
    void record(const InFlight& file);
    bool reported(const std::string& sourcePath, const std::function<void()>& step);
    void finish();

    BatchPage& page_;
    FileConverter& converter_;
    UserPrompts& prompts_;
    BatchControl& control_;
    const ConversionOptions options_;
    const std::string dataFolder_;
    std::chrono::milliseconds startDelay_{100};
    std::unique_ptr<InFlight> inFlight_; // the file whose PDF is being written, if any
};

} // namespace zarta
