#pragma once

#include "PdfStage.h"

#include <functional>
#include <string>

namespace zarta {

class ProcessRunner;

// Writes the PDF with Ghostscript's pdfwrite device: writes the parameter files into the
// conversion's private work folder, runs Ghostscript through the ProcessRunner and waits for it,
// and checks the outcome.
//
// Per run it writes three files into Job::workFolder and removes them when the run has ended,
// whatever its outcome: "distillerparams" (read before the print file), "pdfmarks" (read after
// it) and, only when the PDF is encrypted, "gsargs" with the passwords (mode 0600, named in the
// argument vector as "@file", so the passwords never appear in the process list).
//
// writePdf() succeeds only when Ghostscript exited with status 0 and left a non-empty file at
// Job::outputPath. Otherwise it throws GhostscriptError naming the document (with Ghostscript's
// last error line when it gave one) and truncates Job::outputPath, so nothing usable is left
// there. BatchAbandoned from the runner passes through after the same clean-up.
//
// Thread: writePdf() runs on the batch worker's thread. The stage keeps no state between calls;
// the runner and the locator must outlive it.
class GhostscriptStage : public PdfStage {
public:
    // Returns the absolute path of the Ghostscript executable, or throws a std::exception
    // whose message says why none was found. Called once per document, so a Ghostscript
    // installed while the program runs is picked up.
    using Locator = std::function<std::string()>;

    GhostscriptStage(ProcessRunner& runner, Locator locate);

    void writePdf(const Job& job, const ConversionOptions& options, BatchControl& control) override;

private:
    void run(const Job& job, const ConversionOptions& options, BatchControl& control);

    ProcessRunner& runner_;
    Locator locate_;
};

} // namespace zarta
