#pragma once

#include "engine/ConverterFactory.h"

#include <memory>
#include <mutex>
#include <string>

namespace zarta {

// The one place the program's real converters are made, for the desktop program, the command
// line and the add-in's dialog: per converter an OfficeFileConverter (a word processor of its
// own, with its profile in the data folder, and one Ghostscript kept for the batch). A request
// for 0 converters gets as many as OfficeCount chooses for this machine.
//
// It also keeps what the word processors of the converters it made said about starting, once
// those converters are gone (wordProcessors()).
//
// Thread: makeConverters() and wordProcessors() on any thread, one call at a time. The factory
// must outlive the converters it made.
class OfficeConverterFactory : public ConverterFactory {
public:
    // What the word processors of destroyed converters came to.
    struct WordProcessors {
        int made = 0;            // converters destroyed so far
        int failedToStart = 0;   // of those, the ones whose word processor's last start failed
        std::string lastFailure; // why the last of those failed
    };

    // dataFolder: the program's private data folder (work folders and the office profiles).
    explicit OfficeConverterFactory(std::string dataFolder);

    std::vector<std::unique_ptr<FileConverter>>
    makeConverters(const Request& request, UserPrompts& prompts, PrintWatch& printWatch) override;
    std::string dataFolder() const override { return dataFolder_; }

    WordProcessors wordProcessors() const;

private:
    struct Record;

    std::string dataFolder_;
    std::shared_ptr<Record> record_;
};

} // namespace zarta
