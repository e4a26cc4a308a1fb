#pragma once

#include "engine/PdfSecurityCheck.h"

#include <chrono>
#include <functional>
#include <string>

namespace zarta {

class GhostscriptCommand;
struct ConversionOptions;

// What the Ghostscript stages check and say about a run, shared by the stage that starts
// Ghostscript per document and the one that keeps an interpreter for many. Plain functions;
// any thread.
class GhostscriptReport {
public:
    // "Couldn't convert "<document>" to PDF: ", the start of every failure message.
    static std::string failurePrefix(const std::string& document);

    // "Ghostscript was ended by signal 9", or "Ghostscript failed (exit status 1)".
    static std::string exitDescription(int exitStatus, int signal);

    // A time limit as the user reads it: "10 minutes", "1 second", "500 ms".
    static std::string durationText(std::chrono::milliseconds limit);

    // Ghostscript's program as `locate` finds it, once the print file is known to hold
    // something (an empty one would still give a PDF, with one blank page, reported as
    // converted). Throws GhostscriptError, its message starting with `prefix`, otherwise.
    static std::string programFor(const std::function<std::string()>& locate,
                                  const std::string& printFile, const std::string& prefix);

    // Whether path is a regular file holding at least one byte.
    static bool isNonEmptyFile(const std::string& path);

    // Checks that the PDF at `pdfPath`, written by an encrypting command, carries the security
    // chosen in the options; throws GhostscriptError, its message starting with `prefix`, when
    // it does not.
    static void verifySecurity(const PdfSecurityCheck& check, const std::string& pdfPath,
                               const ConversionOptions& options, const GhostscriptCommand& command,
                               const std::string& prefix);
};

} // namespace zarta
