#pragma once

#include <string>

namespace zarta {

class BatchControl;
struct ConversionOptions;

// What one file's conversion came to, when it did not raise a ConversionError.
enum class FileOutcome {
    Converted,   // the PDF now exists, complete, at the requested output path
    NotConverted // the user gave up on the file (a cancelled password prompt); nothing to report
};

// Converts one Word document into one PDF: the seam between the batch worker and the stages
// that do the work.
//
// convert() runs on the worker thread and returns only when everything it started has ended
// (the word processor's session closed, child processes exited). It writes the PDF to
// outputPath, a new name in a private folder of the caller; it yields Converted only when the
// complete PDF is there. A failure the user must hear of is raised as a ConversionError whose
// message names the file. It passes control's safe points on its way and lets BatchAbandoned
// through, after cleaning up what it started.
class FileConverter {
public:
    virtual ~FileConverter() = default;

    virtual FileOutcome convert(const std::string& sourcePath, const std::string& outputPath,
                                const ConversionOptions& options, BatchControl& control) = 0;
};

} // namespace zarta
