#pragma once

#include "BatchControl.h"
#include "ConversionOptions.h"

#include <chrono>
#include <string>

namespace zarta {

class BatchPage;
class FileConverter;
class UserPrompts;

// Converts every file of the convert page's list, one after the other, on the thread that
// calls runBatch().
//
// For each file it forms the PDF's name and path, asks before replacing an existing PDF, has
// the FileConverter write the new PDF beside the old one and moves it into place only when it
// is complete, steps the progress bar and records the PDF's name. At the end it resets the page
// ("Complete!" or "Stoped") and arms the finish timer.
//
// A file's ConversionError is shown through the prompts and the batch goes on. When the user
// abandons the batch (BatchControl::abandon) the worker stops at its next safe point and
// returns without touching the page again.
//
// Thread: construct anywhere, then call runBatch() once on the worker thread. The page,
// converter, prompts and control must outlive that call; the options are copied.
class BatchWorker {
public:
    BatchWorker(BatchPage& page, FileConverter& converter, UserPrompts& prompts,
                BatchControl& control, ConversionOptions options);

    // The pause before the first file, which gives the page time to show its running state.
    void setStartDelay(std::chrono::milliseconds delay) { startDelay_ = delay; }

    // Runs the whole batch; returns 0, also when the batch was abandoned.
    int runBatch();

private:
    void convertEach();
    void convertOne(int index, int count);
    bool convertTo(const std::string& sourcePath, const std::string& outputPath);
    void finish();

    BatchPage& page_;
    FileConverter& converter_;
    UserPrompts& prompts_;
    BatchControl& control_;
    const ConversionOptions options_;
    std::chrono::milliseconds startDelay_{100};
};

} // namespace zarta
