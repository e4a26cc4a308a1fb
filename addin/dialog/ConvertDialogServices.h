#pragma once

#include <memory>
#include <string>

namespace zarta {

class FileConverter;
class UserPrompts;

namespace addin {

// Makes what the add-in's convert dialog converts with: the add-in's real conversion (a word
// processor of its own and Ghostscript), or a fake in tests.
//
// makeConverter() is called on the run's worker thread when a run starts; the converter is used
// and destroyed on that thread, and whatever it started (a word processor) ends no later than
// its destruction. The converter never asks for a password: it passes none, and a protected
// document is a ConversionError. The prompts outlive the converter.
class ConvertDialogServices {
public:
    virtual ~ConvertDialogServices() = default;

    // installFolder: the add-in's installation folder as the registry names it (may be empty);
    // a Ghostscript installed there is preferred.
    virtual std::unique_ptr<FileConverter> makeConverter(UserPrompts& prompts,
                                                         const std::string& installFolder) = 0;

    // The program's private data folder, where each run's work folder is made.
    virtual std::string dataFolder() const = 0;
};

} // namespace addin
} // namespace zarta
