#pragma once

#include "engine/FileConverter.h"

#include <memory>
#include <string>
#include <vector>

namespace zarta {

class PrintWatch;
class UserPrompts;

// Makes the per-file converters of one batch: the program's real ones (each with a word
// processor of its own and a Ghostscript kept for the batch), or fakes in tests. The one way
// every front end gets its converters.
//
// makeConverters() may be called on any thread; the converters are then used by one batch
// (BatchWorker), each on one thread at a time, possibly side by side, and destroyed on the
// batch's thread once it is done; whatever a converter keeps running ends no later than its
// destruction. The prompts and the print watch must outlive the converters; with several
// converters the print watch takes start() and stop() from several threads.
class ConverterFactory {
public:
    struct Request {
        // Whether a protected document leads to the password prompt; without it, a protected
        // document is a ConversionError saying so.
        bool askForPasswords = true;
        // An installation folder whose Ghostscript is preferred to the one on the search path
        // (empty: none).
        std::string installFolder;
        // How many converters side by side; 0: as many as the machine allows.
        int count = 0;
    };

    virtual ~ConverterFactory() = default;

    // At least one converter.
    virtual std::vector<std::unique_ptr<FileConverter>>
    makeConverters(const Request& request, UserPrompts& prompts, PrintWatch& printWatch) = 0;

    // The program's private data folder, where each file's work folder is made.
    virtual std::string dataFolder() const = 0;
};

} // namespace zarta
