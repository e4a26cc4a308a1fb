#include "tests/support/ScriptedPdfStage.h"

#include "engine/ConversionError.h"
#include "engine/OutputNaming.h"
#include "tests/support/RecordingWord.h"
#include "tests/support/TempDir.h"

void ScriptedPdfStage::writePdf(const Job& job, const zarta::ConversionOptions&,
                                zarta::BatchControl& control) {
    const std::string name = zarta::OutputNaming::fileName(job.sourcePath);
    ++running;
    struct Leave {
        std::atomic<int>& running;
        ~Leave() { --running; }
    } leave{running};
    jobs.push_back(job);
    printFileContent = TempDir::read(job.printFile);
    if (log_ != nullptr) {
        log_->note("pdf stage " + name);
    }
    TempDir::write(job.outputPath, "%PDF-1.4 partial");
    if (before) {
        before(job, control);
    }
    if (failing.count(job.sourcePath) > 0) {
        throw zarta::ConversionError("Couldn't convert \"" + job.sourcePath +
                                     "\" to PDF: Ghostscript failed (exit status 1).");
    }
    TempDir::write(job.outputPath, pdfText(job));
    if (log_ != nullptr) {
        log_->note("pdf written " + name);
    }
}
