#pragma once

#include "engine/PdfStage.h"

#include <chrono>
#include <functional>
#include <string>

namespace zarta {

class PdfSecurityCheck;
class ProcessRunner;

// Writes the PDF with Ghostscript's pdfwrite device: writes the parameter files into the
// conversion's private work folder, runs Ghostscript through the ProcessRunner and waits for it,
// and checks the outcome.
//
// Per run it writes two files into Job::workFolder, opened relative to the folder and never
// through a link, and removes them when the run has ended, whatever its outcome:
// "distillerparams" (read before the print file) and "pdfmarks" (read after it). When the PDF
// is encrypted, the password switches reach Ghostscript as an argument file read from its
// standard input ("@/dev/stdin"), which is held in memory only: the passwords are never in a
// file on disk nor in the process list. Ghostscript gets none of the caller's GS_* variables
// (GS_OPTIONS and the like would change what it does) and a time limit (timeLimit()).
//
// writePdf() succeeds only when Ghostscript exited with status 0 and left a non-empty file at
// Job::outputPath and, for an encrypted PDF, the PdfSecurityCheck confirmed its passwords,
// level and permissions. Otherwise it throws GhostscriptError naming the document (with
// Ghostscript's last error line when it gave one, or what the check found) and removes
// Job::outputPath. BatchAbandoned from the runner passes through after the same clean-up.
//
// Thread: writePdf() runs on the batch worker's thread. The stage keeps no state between calls;
// the runner, the locator and the check must outlive it.
class GhostscriptStage : public PdfStage {
public:
    // Returns the absolute path of the Ghostscript executable, or throws a std::exception
    // whose message says why none was found. Called once per document, so a Ghostscript
    // installed while the program runs is picked up.
    using Locator = std::function<std::string()>;

    GhostscriptStage(ProcessRunner& runner, Locator locate, const PdfSecurityCheck& check);

    // How long one Ghostscript run may take before it is ended and the document reported as
    // failed; 10 minutes unless set.
    void setTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }
    std::chrono::milliseconds timeLimit() const { return timeLimit_; }

    void writePdf(const Job& job, const ConversionOptions& options, BatchControl& control) override;

private:
    void run(const Job& job, const ConversionOptions& options, BatchControl& control);

    ProcessRunner& runner_;
    Locator locate_;
    const PdfSecurityCheck& check_;
    std::chrono::milliseconds timeLimit_ = std::chrono::minutes(10);
};

} // namespace zarta
