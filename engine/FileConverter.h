#pragma once

#include <functional>
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
//
// start() is the same conversion in two parts, so that a batch can write one file's PDF while
// the next file is in the word processor. It runs the part that belongs on the worker thread
// (the word processor, questions to the user) and returns what is left as Started::remainder.
// Before it first asks the user anything it calls beforeAsking, on the calling thread, so that
// the caller can first show what earlier files came to. The remainder (empty when nothing is
// left) may run on another thread, at the same time as the next file's start(); it throws as
// convert() does, and the PDF is complete at outputPath only once it has returned. Destroying a
// remainder, run or not, removes what it holds. The default start() asks nothing of the
// caller's order: it calls beforeAsking, then convert(), and leaves no remainder.
class FileConverter {
public:
    using Remainder = std::function<void(BatchControl& control)>;

    struct Started {
        FileOutcome outcome = FileOutcome::NotConverted;
        Remainder remainder; // set only with Converted
    };

    virtual ~FileConverter() = default;

    virtual FileOutcome convert(const std::string& sourcePath, const std::string& outputPath,
                                const ConversionOptions& options, BatchControl& control) = 0;

    virtual Started start(const std::string& sourcePath, const std::string& outputPath,
                          const ConversionOptions& options, BatchControl& control,
                          const std::function<void()>& beforeAsking) {
        beforeAsking();
        return {convert(sourcePath, outputPath, options, control), {}};
    }
};

} // namespace zarta
