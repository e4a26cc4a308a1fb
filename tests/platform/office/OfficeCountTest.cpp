#include "platform/office/OfficeCount.h"

#include <gtest/gtest.h>

using namespace zarta;

namespace {

constexpr std::uint64_t mib = std::uint64_t{1} << 20;

struct CountCase {
    const char* what;
    unsigned cores;
    std::optional<std::uint64_t> available;
    const char* override;
    int expected;
};

} // namespace

TEST(OfficeCountTest, OneOfficePerTwoCoresWithinTheAvailableMemory) {
    const CountCase cases[] = {
        {"no cores known", 0, std::nullopt, nullptr, 1},
        {"one core", 1, 24000 * mib, nullptr, 1},
        {"two cores", 2, 24000 * mib, nullptr, 1},
        {"three cores", 3, 24000 * mib, nullptr, 1},
        {"four cores", 4, 24000 * mib, nullptr, 2},
        {"nine cores", 9, std::nullopt, nullptr, 4},
        {"memory for one office less than the cores allow", 8, 499 * mib, nullptr, 1},
        {"memory for two offices exactly", 8, 500 * mib, nullptr, 2},
        {"memory for no office still leaves one", 8, 10 * mib, nullptr, 1},
        {"many cores are capped", 256, std::nullopt, nullptr, OfficeCount::maxOffices},
        {"override wins over cores and memory", 2, 10 * mib, "3", 3},
        {"override of one on a large machine", 64, std::nullopt, "1", 1},
        {"override of zero is ignored", 4, std::nullopt, "0", 2},
        {"override above the cap is ignored", 4, std::nullopt, "17", 2},
        {"override that is no number is ignored", 4, std::nullopt, "two", 2},
        {"override with trailing text is ignored", 4, std::nullopt, "2x", 2},
        {"empty override is ignored", 4, std::nullopt, "", 2},
        {"negative override is ignored", 4, std::nullopt, "-2", 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OfficeCount::choose(c.cores, c.available, c.override), c.expected) << c.what;
    }
}

TEST(OfficeCountTest, ReadsMemAvailableInBytes) {
    const struct {
        const char* what;
        std::string meminfo;
        std::optional<std::uint64_t> expected;
    } cases[] = {
        {"usual text",
         "MemTotal:       24683748 kB\nMemFree:        21703976 kB\n"
         "MemAvailable:   24218160 kB\nBuffers:            8712 kB\n",
         std::uint64_t{24218160} * 1024},
        {"absent (old kernels)", "MemTotal:       24683748 kB\nMemFree:  1 kB\n", std::nullopt},
        {"unreadable number", "MemAvailable:   lots kB\n", std::nullopt},
        {"other unit", "MemAvailable:   12 MB\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OfficeCount::availableMemory(c.meminfo), c.expected) << c.what;
    }
}
