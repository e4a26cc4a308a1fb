#pragma once

#include <memory>
#include <string>

namespace zarta {

class FileConverter;
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

    // The program's private data folder, where each file's work folder is made.
    virtual std::string dataFolder() const = 0;
};

} // namespace desktop
} // namespace zarta
