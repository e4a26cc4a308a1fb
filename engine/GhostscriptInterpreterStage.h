#pragma once

#include "engine/PdfStage.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace zarta {

class PdfSecurityCheck;
class ProcessSessionStarter;

// Writes the PDF with Ghostscript's pdfwrite device like GhostscriptStage, but pays Ghostscript's
// start-up once for many documents: one interpreter is kept running and handed each document as
// a job over its standard input.
//
// The interpreter runs with -dSAFER and without the caller's GS_* variables (as every
// Ghostscript, see GhostscriptCommand::runSettings), and may read and write files only in a private
// work folder of its own (made in dataFolder, removed with it), which is also its TMPDIR. It is
// started in that folder through the folder's descriptor (ProcessRunner::Settings::workingFolder)
// and every file is named to it relative to that folder, so nothing it is given names a folder, nor
// one that anybody could rename or replace later. For each job the print file is linked (or copied)
// into that folder and the two parameter files are written there, with the texts of PdfmarkFile;
// the job selects pdfwrite with the output file, the compatibility level and the encryption and
// permissions of GhostscriptCommand before its first page, reads the distiller parameters, the
// print file and the document information in that order, and closes the PDF; the PDF is then moved
// to Job::outputPath. The passwords travel only over the interpreter's standard input. A job ends
// by printing a marker line that says whether it failed; the marker holds a new random number per
// job, so that a document's ordinary output is not taken for it. A PostScript print file is a
// program of its own: what it can and cannot do to its job's report is set out where the job's text
// is made (GhostscriptInterpreterStage.cpp); its interpreter is ended before its PDF is checked.
//
// Each job's outcome is checked on its own, as GhostscriptStage checks a run: the PDF must be
// there, end as a PDF that pdfwrite has closed and, when encrypted, pass the PdfSecurityCheck. A
// failing job throws GhostscriptError naming the document (with Ghostscript's error line) and
// removes Job::outputPath; the interpreter it ran on is ended, and the next job starts a new one.
// So does an interpreter that ends by itself, a job that runs past timeLimit() (the interpreter is
// killed and the document reported), and a job whose options differ from the interpreter's
// (the interpreter's switches and device settings are those of one set of options), and a
// PostScript print file (the structure comments of PostScript, such as its title, are parsed with
// state that would carry over to the next document; PDF print files share an interpreter). When
// the batch is abandoned during a job the interpreter is killed and BatchAbandoned passes through.
//
// An interpreter that is waiting for its next job ends when the stage is destroyed (or when a
// job with other options replaces it); no Ghostscript outlives the stage.
//
// Thread: one writePdf() at a time, on any thread (the batch's second thread, say); construct
// and destroy it on any thread. The starter, the check and the locator must outlive it.
class GhostscriptInterpreterStage : public PdfStage {
public:
    // Returns the absolute path of the Ghostscript executable, or throws a std::exception
    // whose message says why none was found. Called once per document.
    using Locator = std::function<std::string()>;

    GhostscriptInterpreterStage(ProcessSessionStarter& starter, Locator locate,
                                const PdfSecurityCheck& check, std::string dataFolder);
    ~GhostscriptInterpreterStage() override;
    GhostscriptInterpreterStage(const GhostscriptInterpreterStage&) = delete;
    GhostscriptInterpreterStage& operator=(const GhostscriptInterpreterStage&) = delete;

    // How long one job may take before its interpreter is ended and the document reported as
    // failed; 10 minutes unless set.
    void setTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }
    std::chrono::milliseconds timeLimit() const { return timeLimit_; }

    void writePdf(const Job& job, const ConversionOptions& options, BatchControl& control) override;

    // How many interpreters the stage has started so far.
    int interpretersStarted() const { return started_; }

private:
    struct Interpreter;

    void run(const Job& job, const ConversionOptions& options, BatchControl& control);
    Interpreter& interpreterFor(const std::string& executable, const ConversionOptions& options,
                                const std::string& prefix);

    ProcessSessionStarter& starter_;
    Locator locate_;
    const PdfSecurityCheck& check_;
    std::string dataFolder_;
    std::chrono::milliseconds timeLimit_ = std::chrono::minutes(10);
    std::unique_ptr<Interpreter> interpreter_;
    int started_ = 0;
};

} // namespace zarta
