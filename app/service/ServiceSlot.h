#pragma once

#include "app/service/SlotThread.h"
#include "engine/FileConverter.h"
#include "engine/QuietPrintWatch.h"
#include "engine/UserPrompts.h"
#include "platform/pipeline/OfficeFileConverter.h"
#include "platform/service/ServiceStatus.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

namespace zarta {

// One of the service's converters, kept warm between its clients' files: an office and a
// Ghostscript interpreter (OfficeFileConverter; the interpreter of the Ghostscript the last PDF
// part used: a file whose install folder leads to another one replaces it), the prompts of the
// client whose file is in the office at the time, and what the status reports about it.
//
// The word-processor part of a file (start()) and the office's warm-up run only while the caller
// holds this converter in the pool, on the slot's office thread; the PDF part (finish()) on its
// PDF thread, one at a time, so that one file's PDF is written while the next file, maybe
// another client's, is in the office, as in a batch of one client. Both threads live as long as
// the slot, and so may the office and the interpreter they start (see SlotThread).
//
// Thread: start() and warmUp() on a thread holding the converter in the pool; finish() and
// status() on any thread. The calls wait for their thread.
class ServiceSlot {
public:
    explicit ServiceSlot(const std::string& dataFolder);

    // installFolder: the absolute folder whose Ghostscript the file's PDF part prefers (empty:
    // the service's search path), found by the in-process rules (GhostscriptLocator).
    FileConverter::Started start(UserPrompts& prompts, bool askForPasswords,
                                 const std::string& installFolder, const std::string& sourcePath,
                                 const std::string& outputPath, const ConversionOptions& options,
                                 BatchControl& control);
    // Runs a remainder this converter's start() returned, calling begun on the PDF thread first;
    // counts the document once it is written.
    void finish(const FileConverter::Remainder& remainder, BatchControl& control,
                const std::function<void()>& begun);
    // A document written without a remainder.
    void countDocument() { ++documents_; }
    void warmUp(BatchControl& control);

    ServiceStatus::Office status() const;

private:
    // Forwards to the prompts of the file in the office.
    class Prompts : public UserPrompts {
    public:
        UserPrompts* target = nullptr;
        void showMessage(const std::string& text) override { target->showMessage(text); }
        std::optional<std::string> askPassword(const std::string& fileName, bool again) override {
            return target->askPassword(fileName, again);
        }
    };

    void noteOffice(std::chrono::steady_clock::time_point callBegun);

    Prompts prompts_;
    QuietPrintWatch printWatch_;
    OfficeFileConverter converter_;
    SlotThread officeThread_;
    SlotThread pdfThread_;
    std::atomic<std::uint64_t> documents_{0};
    mutable std::mutex noted_;
    int officePid_ = 0;
    std::chrono::steady_clock::time_point officeSince_;
};

} // namespace zarta
