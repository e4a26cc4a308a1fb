#pragma once

#include <optional>
#include <string>

namespace zarta {

// Whether this run's offices are cut off from the network, and what the user is told when they
// cannot be.
//
// Each office runs in a network namespace of its own (OfficeProcess::Confinement). Where the
// system allows neither that nor an unprivileged user namespace to make one in, an office runs
// with the network: its profile still sends whatever it would fetch to a proxy that refuses
// (OfficeProfile), but that is the office's own setting, not a wall around it. Every front end
// therefore says so once per run (notice()) before it converts, or refuses to convert where the
// user asked for isolation: ZARTA_REQUIRE_ISOLATION=1 in the environment (zarta-convert's
// --require-isolation sets it). Then an office that would run with the network is not even
// started (OfficeInstance says why with refusal()).
//
// Plain functions; thread-safe. available() probes the system once per process, by starting a
// process the way offices are started.
class NetworkIsolation {
public:
    static constexpr const char* requireVariable = "ZARTA_REQUIRE_ISOLATION";

    static bool available();
    static bool required();

    // What a front end tells the user before converting: nothing where isolation is available;
    // otherwise a warning, or, where isolation is required, why nothing is converted (refuse).
    struct Notice {
        bool refuse = false;
        std::string text;
    };
    static std::optional<Notice> notice();

    // Why an office that would run with the network was not started.
    static std::string refusal();
};

} // namespace zarta
