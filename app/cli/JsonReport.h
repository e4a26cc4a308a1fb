#pragma once

#include "engine/FileReport.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zarta {

// The --report file: one JSON object a line for each file as its outcome is known, written with
// one write() each, so that a run killed at any moment leaves only whole lines (each a complete
// object) and at most none of the line under way.
//
// A line: {"source": ..., "pdf": ... or null, "outcome": ..., "message": ..., "milliseconds":
// ..., "pages": ... or null}; "pdf" is where the file's PDF goes, the file's own PDF after
// "converted" or "kept", an older one left as it was (or none) after a failure. Outcomes:
// "converted", "kept" (its PDF existed and was kept), "failed", "skipped" (protected, no password),
// "not-started" (an earlier failure ended the batch), "refused" (a named file that is not a Word
// file). Names are bytes on Linux and need not be UTF-8: a name that is valid UTF-8 is written as
// it is (JSON escapes for quote, backslash and control characters); one that is not is written with
// each invalid byte as U+FFFD, and its exact bytes follow in base64 in "source_bytes" (or
// "pdf_bytes"), so that a script can always get the name back, and reads plain text for every
// ordinary name. Messages are text for people: their invalid bytes become U+FFFD.
//
// Thread: one thread at a time.
class JsonReport {
public:
    struct Line {
        std::string source;
        std::optional<std::string> pdf;
        std::string outcome;
        std::string message;
        long long milliseconds = 0;
        std::optional<int> pages;
    };

    // Counts the pages of a written PDF; nothing when they cannot be counted.
    using PageCounter = std::function<std::optional<int>(const std::string& pdf)>;

    // Creates (or empties) the file at path; "-" writes to standard output. Throws
    // std::runtime_error saying why it cannot.
    JsonReport(const std::string& path, PageCounter pages);
    ~JsonReport();
    JsonReport(const JsonReport&) = delete;
    JsonReport& operator=(const JsonReport&) = delete;

    // Writes the line of a file's outcome; pages are counted for a converted file. Throws
    // std::runtime_error when the line cannot be written.
    void add(const FileReport& report, long long milliseconds);
    void add(const Line& line);

    // The text of a line, with its line end.
    static std::string format(const Line& line);
    // A JSON string of text: quoted, with its quote, backslash and control characters escaped
    // and its invalid UTF-8 bytes as U+FFFD.
    static std::string quoted(std::string_view text);
    static std::string base64(std::string_view bytes);
    static std::string_view outcome(FileReport::Result result);

private:
    int fd_ = -1;
    std::string path_;
    PageCounter pages_;
};

} // namespace zarta
