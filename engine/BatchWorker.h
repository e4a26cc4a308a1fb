#pragma once

#include "engine/BatchControl.h"
#include "engine/BatchSummary.h"
#include "engine/ConversionOptions.h"
#include "engine/FileReport.h"

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace zarta {

class BatchPage;
class FileConverter;
class UserPrompts;

// Converts every file of a page's list on the thread that calls runBatch(), with one or more
// converters (each with a word processor of its own) side by side.
//
// Before the first file it checks the passwords of the options (PasswordRules); with a
// password the PDF could not keep, it says why and converts nothing. For each file, in list
// order, it forms the PDF's name and path, asks before replacing an existing PDF, has a
// converter write the new PDF into a private work folder and publishes it (StagedOutput) only
// when it is complete, and reports the file's outcome to the page. At the end it tells the page
// what the batch came to.
//
// A file's failure is shown through the prompts and reported; the batch goes on. When the user
// abandons the batch (BatchControl::abandon) the worker stops at its next safe point and
// returns without touching the page again.
//
// Each converter has a lane: a thread that runs the word-processor part of one file after the
// other (FileConverter::start) and hands the rest (the PDF stage) to a second thread, so that a
// lane's PDF stage writes one file while its word processor works on the next. Files are handed
// to the lanes in list order and their outcomes reported in list order; a later file may be in
// a word processor before the earlier ones are reported, but anything it shows the user
// (password prompt included: its converter's beforeAsking waits for that) comes only after
// every earlier file's outcome. A file whose PDF name equals that of an earlier file still under
// way waits for that file's outcome before it looks for an existing PDF. Each file is taken from
// the page (fileAt) in list order as it is handed out, never while an earlier file may be
// asking the user something. A list whose length is not known before (BatchPage::unknownCount) is
// asked for its next file only when a lane is free for it; while that file has not arrived, the
// files under way are finished and reported. A lane whose word processor cannot be started hands
// its file to another lane; when there is none, the file fails with that message. Where no lane
// thread can be started, the worker's own thread runs the one lane.
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
    // The same with one lane per converter (at least one).
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
    struct File;
    struct Lanes;

    void convertAll();
    void waitForLane(bool ownLane, std::size_t limit);
    void endEarly(int index, int count);
    void settleReady();
    std::shared_ptr<File> takeOn(int index, int count);
    void runLane(FileConverter& converter);
    void startFile(FileConverter& converter, File& file, const std::function<void()>& beforeAsking,
                   std::shared_future<void>& previousPdf);
    void waitForTurn(int index);
    void settleFirst();
    bool settleNext();
    void settleUpTo(int index);
    FileReport conclude(const File& file, const std::function<void()>& step);
    void publish(const FileReport& report);

    BatchPage& page_;
    std::vector<FileConverter*> converters_;
    UserPrompts& prompts_;
    BatchControl& control_;
    const ConversionOptions options_;
    const std::string dataFolder_;
    std::chrono::milliseconds startDelay_{100};
    std::string destination_; // with a trailing separator, once the first file is taken on
    BatchSummary summary_;
    std::unique_ptr<Lanes> lanes_; // while the batch runs
};

} // namespace zarta
