#pragma once

#include "engine/ConversionError.h"

#include <string>

namespace zarta {

// Raised by the Ghostscript stage when a document's PDF could not be written: Ghostscript was
// not found or could not be started, it failed, or it produced no PDF. what() is the complete
// message for the user; it names the document and, when Ghostscript said why, carries its last
// error line.
class GhostscriptError : public ConversionError {
public:
    explicit GhostscriptError(const std::string& message, std::string ghostscriptLine = {})
        : ConversionError(message), ghostscriptLine_(std::move(ghostscriptLine)) {}

    // Ghostscript's own last error line, empty when it said nothing useful.
    const std::string& ghostscriptLine() const { return ghostscriptLine_; }

    // Picks the line that says why a Ghostscript run failed from the tails of its standard
    // error and standard output: the last "Error: ..." line of either, else the last line of
    // standard error that is not one of Ghostscript's closing summaries. The program's
    // "GPL Ghostscript 10.00.0: " prefix and leading asterisks are removed. Empty when neither
    // stream holds such a line.
    static std::string lastErrorLine(const std::string& errorOutput, const std::string& output);

private:
    std::string ghostscriptLine_;
};

} // namespace zarta
