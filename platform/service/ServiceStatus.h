#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarta {

class ServiceMessage;

// What the user's conversion service is doing: its process, its offices and their age, and how
// many documents it has converted. The service fills it in; `zarta-convert --service-status`
// asks for it and prints it.
struct ServiceStatus {
    struct Office {
        bool running = false;
        std::uint32_t pid = 0;
        std::uint64_t ageSeconds = 0; // since this office started
        std::uint64_t documents = 0;  // converted with this office's lane since the service began
    };

    std::uint32_t pid = 0;
    std::uint64_t upSeconds = 0;
    std::uint64_t idleExitSeconds = 0;
    std::uint64_t documents = 0;
    std::uint32_t connections = 0; // open connections, the asking one included
    std::vector<Office> offices;

    void write(ServiceMessage& message) const;
    // Throws ProtocolError for a report that does not hold a status.
    static ServiceStatus read(ServiceMessage& message);

    // The lines `--service-status` prints.
    std::string text() const;

    // Asks the running service (never starts one); nothing when none answers, whyNot then says
    // why.
    static std::optional<ServiceStatus> query(std::string* whyNot);
};

} // namespace zarta
