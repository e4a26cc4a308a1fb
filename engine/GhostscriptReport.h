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

    // "Ghostscript did not finish within 10 minutes and was ended.", the limit as the user reads
    // it ("1 second", "500 ms").
    static std::string timedOut(std::chrono::milliseconds limit);

    // "Ghostscript ("<executable>") could not be started: <why>".
    static std::string notStarted(const std::string& executable, const std::string& why);

    // Runs `write`; should it throw, removes whatever it left at outputPath (a partial or
    // unchecked PDF) and passes the exception on. The path is in a private folder, and removing
    // removes a link itself, never its target.
    static void removeOnFailure(const std::string& outputPath, const std::function<void()>& write);

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
