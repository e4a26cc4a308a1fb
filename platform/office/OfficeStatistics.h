#pragma once

#include <chrono>
#include <cstdint>

namespace zarta {

// What the provider's offices have done so far, for benchmarks and diagnostics.
struct OfficeStatistics {
    int officeStarts = 0;
    std::chrono::steady_clock::duration lastStartDuration{}; // process start to connection
    std::chrono::steady_clock::duration totalStartDuration{};
    int documentsOpened = 0;             // load attempts, over all offices
    int leftoversClosed = 0;             // documents found still open when a session started
    std::uint64_t peakResidentBytes = 0; // of an office, sampled during calls and between them
    int officePid = 0;                   // the running office's process, 0 when none runs
    bool networkIsolated = false;        // whether the last office started without network access
    int printsChecked = 0;               // prints compared with their document's pages
    // The time those comparisons took: asking the office for the document's pages and reading
    // the print's pages back.
    std::chrono::steady_clock::duration printCheckDuration{};
};

} // namespace zarta
