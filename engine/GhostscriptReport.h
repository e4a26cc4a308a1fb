#pragma once

#include "engine/PdfSecurityCheck.h"

#include <chrono>
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

    // Whether path is a regular file holding at least one byte.
    static bool isNonEmptyFile(const std::string& path);

    // What the security check must find in the PDF of an encrypting command.
    static PdfSecurityCheck::Expectation expectation(const ConversionOptions& options,
                                                     const GhostscriptCommand& command);
};

} // namespace zarta
