#include "platform/office/OfficeCount.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sched.h>
#include <sstream>
#include <thread>

namespace zarta {

namespace {

std::optional<int> overrideCount(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    const std::string value(text);
    int count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (error != std::errc() || end != value.data() + value.size() || count < 1 ||
        count > OfficeCount::maxOffices) {
        return std::nullopt;
    }
    return count;
}

unsigned usableCores() {
    // The cores this process may run on (taskset, cgroup cpusets), not all the machine has.
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
    return std::thread::hardware_concurrency();
}

} // namespace

int OfficeCount::choose(unsigned cores, std::optional<std::uint64_t> availableBytes,
                        const char* override) {
    if (const auto forced = overrideCount(override)) {
        return *forced;
    }
    std::uint64_t count = std::max(1U, cores / 2);
    if (availableBytes) {
        count = std::min(count, std::max<std::uint64_t>(1, *availableBytes / bytesPerOffice));
    }
    return static_cast<int>(std::min<std::uint64_t>(count, maxOffices));
}

int OfficeCount::forThisMachine() {
    std::ifstream file("/proc/meminfo");
    std::stringstream text;
    text << file.rdbuf();
    return choose(usableCores(), availableMemory(text.str()), std::getenv(overrideVariable));
}

std::optional<int> OfficeCount::chosenByEnvironment() {
    return overrideCount(std::getenv(overrideVariable));
}

std::optional<std::uint64_t> OfficeCount::availableMemory(const std::string& meminfo) {
    std::istringstream lines(meminfo);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.starts_with("MemAvailable:")) {
            continue;
        }
        std::istringstream fields(line.substr(13));
        std::uint64_t kibibytes = 0;
        std::string unit;
        if (!(fields >> kibibytes >> unit) || unit != "kB") {
            return std::nullopt;
        }
        return kibibytes * 1024;
    }
    return std::nullopt;
}

} // namespace zarta
