#pragma once

#include <string>

namespace zarta {

// What a batch came to, as the batch worker hands it to its page at the end. The counts add up
// to files when the batch was not refused.
struct BatchSummary {
    int files = 0;      // the files in the list
    int converted = 0;  // PDFs written
    int kept = 0;       // existing PDFs kept instead of replaced
    int failed = 0;     // files whose conversion failed (each was reported with its message)
    int gaveUp = 0;     // files the user gave up on (a cancelled password prompt)
    int notReached = 0; // files after the failure that ended the batch
    // The message of the failure that ended the batch early: no word processor could be started
    // for any lane. Empty when the batch went through its list.
    std::string endedBy;
    // The options were refused before the first file (the reason was shown); nothing was
    // converted and the counts are 0.
    bool refused = false;
};

} // namespace zarta
