#pragma once

#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
// Given several converters (each with a word processor of its own), the worker converts that
// many files' word-processor parts at once, one lane thread per converter, each lane with its
// own second thread for the PDF stage. Files are handed to the lanes in list order and their
// outcomes reported in list order; a later file may be in a word processor before the earlier
// ones are reported, but anything it shows the user (password prompt included: its converter's
// beforeAsking waits for that) comes only after every earlier file's outcome. A file whose PDF
// name equals that of an earlier file still under way waits for that file's outcome before it
// looks for an existing PDF. Each file is taken from the page (fileAt) in list order as it is
// handed out, never while an earlier file may be asking the user something.
//
// Thread: construct anywhere, then call runBatch() once on the worker thread, which makes every
// call to the page and the prompts, except a converter's password prompt, which comes from its
// lane while the worker waits for that file (so the prompts are used by one thread at a time).
// The page, converters, prompts and control must outlive that call; the options are copied.
// runBatch() returns only once every thread it started has ended; each converter is then no
// longer in use and may be destroyed on the worker thread.
class BatchWorker {
public:
    // dataFolder: the program's private data folder, where each file gets a work folder that
    // holds its PDF until it is complete.
    BatchWorker(BatchPage& page, FileConverter& converter, UserPrompts& prompts,
                BatchControl& control, ConversionOptions options, std::string dataFolder);
    // The same with one lane per converter (at least one; one behaves as above).
    BatchWorker(BatchPage& page, std::vector<FileConverter*> converters, UserPrompts& prompts,
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
    struct Lanes;
    struct Handed;

    void convertEach();
    void convertOne(int index, int count);
    void startConversion(int index, int count, const std::string& sourcePath,
                         const std::string& outputPath);
    void settle();
    void record(int index, int count, const std::string& sourcePath);
    bool reported(const std::string& sourcePath, const std::function<void()>& step);
    void finish();

    void convertInLanes();
    void runLane(FileConverter& converter);
    void waitForTurn(int index);
    void settleFirst();
    void settleLanesUpTo(int index);
    void reportedUpTo(int index);

    BatchPage& page_;
    std::vector<FileConverter*> converters_;
    FileConverter& converter_;
    UserPrompts& prompts_;
    BatchControl& control_;
    const ConversionOptions options_;
    const std::string dataFolder_;
    std::chrono::milliseconds startDelay_{100};
    std::unique_ptr<InFlight> inFlight_; // the file whose PDF is being written, if any
    std::unique_ptr<Lanes> lanes_;       // with several converters, while the batch runs
};

} // namespace zarta
