#include "app/service/ServiceSlot.h"

namespace zarta {

ServiceSlot::ServiceSlot(const std::string& dataFolder)
    : converter_(dataFolder, std::string(), prompts_, printWatch_) {}

void ServiceSlot::noteOffice(std::chrono::steady_clock::time_point callBegun) {
    const int pid = converter_.wordProcessor().statistics().officePid;
    std::lock_guard lock(noted_);
    if (pid != officePid_) {
        // An office that is new since the call began started during it.
        officePid_ = pid;
        officeSince_ = callBegun;
    }
}

FileConverter::Started ServiceSlot::start(UserPrompts& prompts, bool askForPasswords,
                                          const std::string& installFolder,
                                          const std::string& sourcePath,
                                          const std::string& outputPath,
                                          const ConversionOptions& options, BatchControl& control) {
    prompts_.target = &prompts;
    converter_.setAskForPasswords(askForPasswords);
    struct Noted {
        ServiceSlot& slot;
        std::chrono::steady_clock::time_point begun = std::chrono::steady_clock::now();
        ~Noted() { slot.noteOffice(begun); }
    } noted{*this};
    FileConverter::Started started;
    officeThread_.run([&] {
        // The client asks before its questions (see RemoteFileConverter).
        started = converter_.start(sourcePath, outputPath, options, control, [] {});
    });
    if (started.remainder) {
        // Runs on the PDF thread (finish()), which alone reads the install folder.
        started.remainder = [this, installFolder,
                             remainder = std::move(started.remainder)](BatchControl& pdfControl) {
            converter_.setInstallFolder(installFolder);
            remainder(pdfControl);
        };
    }
    return started;
}

void ServiceSlot::finish(const FileConverter::Remainder& remainder, BatchControl& control,
                         const std::function<void()>& begun) {
    pdfThread_.run([&] {
        begun();
        remainder(control);
    });
    ++documents_;
}

void ServiceSlot::warmUp(BatchControl& control) {
    const auto begun = std::chrono::steady_clock::now();
    officeThread_.run([&] { converter_.warmUp(control); });
    noteOffice(begun);
}

ServiceStatus::Office ServiceSlot::status() const {
    ServiceStatus::Office office;
    office.documents = documents_;
    std::lock_guard lock(noted_);
    office.running = officePid_ != 0;
    office.pid = static_cast<std::uint32_t>(officePid_);
    if (office.running) {
        office.ageSeconds =
            static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                           std::chrono::steady_clock::now() - officeSince_)
                                           .count());
    }
    return office;
}

} // namespace zarta
