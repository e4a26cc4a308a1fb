#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zarta {

// How many offices a batch runs side by side. One office with its Ghostscript stage keeps about
// two cores busy, so a batch gets one office per two cores (at least one), and no more than the
// memory now available holds at bytesPerOffice each (never fewer than one). The environment
// variable ZARTA_OFFICES, a whole number from 1 to maxOffices, overrides the choice (for the
// benchmark and tests); anything else in it is ignored.
//
// Stateless; thread-safe.
class OfficeCount {
public:
    static constexpr std::uint64_t bytesPerOffice = std::uint64_t{250} << 20;
    static constexpr int maxOffices = 16;
    static constexpr const char* overrideVariable = "ZARTA_OFFICES";

    // The choice for the given cores, available memory (unknown: no limit from it) and override
    // text (null: none).
    static int choose(unsigned cores, std::optional<std::uint64_t> availableBytes,
                      const char* override);

    // The choice for this process: the cores it may run on, MemAvailable from /proc/meminfo and
    // the environment's override.
    static int forThisMachine();

    // The count the environment's override sets for this process; nothing when it sets none.
    static std::optional<int> chosenByEnvironment();

    // MemAvailable of a /proc/meminfo text, in bytes; nothing when absent or unreadable.
    static std::optional<std::uint64_t> availableMemory(const std::string& meminfo);
};

} // namespace zarta
