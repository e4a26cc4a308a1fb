#pragma once

#include "engine/FileConverter.h"

#include <memory>
#include <string>
#include <vector>

namespace zarta {

class PrintWatch;
class UserPrompts;

namespace desktop {

// Makes the per-file converter of one batch: the program's real one (word processor and
// Ghostscript), or a fake in tests.
//
// makeConverter() is called on the user-interface thread when a batch starts. The converter is
// then used, and destroyed, on that batch's worker thread; whatever it keeps running for the
// batch (a word processor, a Ghostscript interpreter) ends no later than its destruction. The
// prompts and the print watch outlive the converter.
class ConversionServices {
public:
    virtual ~ConversionServices() = default;

    virtual std::unique_ptr<FileConverter> makeConverter(UserPrompts& prompts,
                                                         PrintWatch& printWatch) = 0;

    // The converters of one batch, one per word processor the batch runs side by side (see
    // BatchWorker); by default the one makeConverter() makes. They may be used on several
    // threads at once, each converter on one, so the print watch must take start() and stop()
    // from any thread.
    virtual std::vector<std::unique_ptr<FileConverter>> makeConverters(UserPrompts& prompts,
                                                                       PrintWatch& printWatch) {
        std::vector<std::unique_ptr<FileConverter>> converters;
        converters.push_back(makeConverter(prompts, printWatch));
        return converters;
    }

    // The program's private data folder, where each file's work folder is made.
    virtual std::string dataFolder() const = 0;
};

} // namespace desktop
} // namespace zarta
