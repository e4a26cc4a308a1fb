#include "engine/SingleDocumentConversion.h"

#include "engine/BatchControl.h"
#include "engine/BatchPage.h"
#include "engine/BatchWorker.h"
#include "engine/Messages.h"
#include "engine/OutputNaming.h"
#include "engine/UserPrompts.h"
#include "engine/WordFiles.h"

namespace zarta {

namespace {

// The batch of the one document: no question about an existing PDF, which is replaced once the
// new one is complete; what became of the document is kept for the caller.
class OneDocumentPage : public BatchPage {
public:
    OneDocumentPage(std::string documentPath, std::string outputFolder)
        : documentPath_(std::move(documentPath)), outputFolder_(std::move(outputFolder)) {}

    bool written() const { return written_; }

    int fileCount() override { return 1; }
    std::string fileAt(int) override { return documentPath_; }
    std::string destinationFolder() override { return outputFolder_; }
    bool askReplace(const std::string&) override { return true; }
    bool replacesWithoutAsking() override { return true; }
    void fileReported(const FileReport& report) override {
        written_ = report.result == FileReport::Result::Converted;
    }
    void batchFinished(const BatchSummary&) override {}

private:
    std::string documentPath_;
    std::string outputFolder_;
    bool written_ = false;
};

} // namespace

SingleDocumentConversion::SingleDocumentConversion(FileConverter& converter, UserPrompts& prompts,
                                                   std::string dataFolder)
    : converter_(converter), prompts_(prompts), dataFolder_(std::move(dataFolder)) {}

SingleDocumentConversion::Result
SingleDocumentConversion::convertDocument(const std::string& documentPath,
                                          const std::string& outputFolder,
                                          const ConversionOptions& options, BatchControl& control) {
    Result result;
    if (!WordFiles::hasExactExtension(documentPath, WordFiles::addinExtensions)) {
        prompts_.showMessage(Messages::fill(Messages::notSupportedFile, documentPath));
        return result;
    }
    result.outputPath = OutputNaming::pdfPath(outputFolder, documentPath);

    // The document is converted as a batch of one: the same checks, staging, publishing and
    // reporting of failures as every file of a batch.
    OneDocumentPage page(documentPath, outputFolder);
    BatchWorker worker(page, converter_, prompts_, control, options, dataFolder_);
    worker.setStartDelay(std::chrono::milliseconds(0));
    worker.runBatch();
    // An abandoned batch returns quietly; the caller is told.
    control.checkpoint();
    result.written = page.written();
    return result;
}

} // namespace zarta
