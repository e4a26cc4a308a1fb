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
#include <system_error>

namespace zarta {

BatchWorker::BatchWorker(BatchPage& page, FileConverter& converter, UserPrompts& prompts,
                         BatchControl& control, ConversionOptions options, std::string dataFolder)
    : page_(page), converter_(converter), prompts_(prompts), control_(control),
      options_(std::move(options)), dataFolder_(std::move(dataFolder)) {}

int BatchWorker::runBatch() {
    try {
        page_.setConverting(true);
        control_.sleepFor(startDelay_);
        // Passwords the PDF could not keep as entered would give a PDF weaker than the user
        // believes: no file is converted with them.
        if (const auto problem = PasswordRules::problem(options_)) {
            prompts_.showMessage(*problem);
        } else {
            convertEach();
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

    std::error_code ignored;
    if (std::filesystem::exists(outputPath, ignored)) {
        const bool replace = page_.askReplace(outputPath);
        control_.checkpoint();
        if (!replace) {
            page_.setProgress(index + 1, count, true);
            return;
        }
        // The old PDF stays until the new one is complete (see convertTo).
    }

    if (convertTo(source, outputPath)) {
        page_.setProgress(index + 1, count, true);
        page_.appendProducedFile(name);
    }
}

bool BatchWorker::convertTo(const std::string& sourcePath, const std::string& outputPath) {
    // The one place where a file's failure becomes its result: the user is told, the file is
    // not counted, the batch goes on.
    try {
        const WorkFolder work(dataFolder_);
        StagedOutput staged(outputPath, work);
        const FileOutcome outcome =
            converter_.convert(sourcePath, staged.path(), options_, control_);
        control_.checkpoint();
        if (outcome != FileOutcome::Converted) {
            return false;
        }
        staged.commit();
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
