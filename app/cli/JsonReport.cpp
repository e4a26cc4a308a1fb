#include "app/cli/JsonReport.h"

#include "engine/Utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace zarta {

namespace {

// "name": "text" and, when the text is not valid UTF-8, "name_bytes": "<base64>".
std::string nameFields(std::string_view name, std::string_view text) {
    std::string fields = "\"" + std::string(name) + "\":" + JsonReport::quoted(text);
    if (!Utf8::isValid(text)) {
        fields += ",\"" + std::string(name) + "_bytes\":\"" + JsonReport::base64(text) + "\"";
    }
    return fields;
}

} // namespace

JsonReport::JsonReport(const std::string& path, PageCounter pages)
    : path_(path), pages_(std::move(pages)) {
    // "-" is standard output, as for other tools' reports; a copy of it, so that the report's
    // end does not close the program's output.
    fd_ = path == "-"
              ? ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)
              : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        throw std::runtime_error("can't write the report \"" + path +
                                 "\": " + std::strerror(errno));
    }
}

JsonReport::~JsonReport() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void JsonReport::add(const FileReport& report, long long milliseconds) {
    Line line;
    line.source = report.sourcePath;
    if (!report.outputPath.empty()) {
        line.pdf = report.outputPath;
    }
    line.outcome = std::string(outcome(report.result));
    line.message = report.message;
    line.milliseconds = milliseconds;
    if (report.result == FileReport::Result::Converted && pages_) {
        line.pages = pages_(report.outputPath);
    }
    add(line);
}

void JsonReport::add(const Line& line) {
    // One write for the whole line: the kernel has it once write() returns, so a kill cannot
    // leave half of it unless the disk is full.
    const std::string text = format(line);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw std::runtime_error("can't write the report \"" + path_ +
                                     "\": " + std::strerror(errno));
        }
        written += static_cast<std::size_t>(n);
    }
}

std::string JsonReport::format(const Line& line) {
    std::string text = "{" + nameFields("source", line.source) + ",";
    text += line.pdf ? nameFields("pdf", *line.pdf) : std::string("\"pdf\":null");
    text += ",\"outcome\":" + quoted(line.outcome);
    text += ",\"message\":" + quoted(line.message);
    text += ",\"milliseconds\":" + std::to_string(line.milliseconds);
    text += ",\"pages\":" + (line.pages ? std::to_string(*line.pages) : std::string("null"));
    return text + "}\n";
}

std::string JsonReport::quoted(std::string_view text) {
    const std::string valid = Utf8::withInvalidReplaced(text);
    std::string out = "\"";
    for (const char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonReport::base64(std::string_view bytes) {
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += {digits[v >> 18], digits[(v >> 12) & 63], digits[(v >> 6) & 63], digits[v & 63]};
    }
    if (i + 1 == bytes.size()) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        out += {digits[v >> 18], digits[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += {digits[v >> 18], digits[(v >> 12) & 63], digits[(v >> 6) & 63], '='};
    }
    return out;
}

std::string_view JsonReport::outcome(FileReport::Result result) {
    switch (result) {
    case FileReport::Result::Converted:
        return "converted";
    case FileReport::Result::Kept:
        return "kept";
    case FileReport::Result::Failed:
        return "failed";
    case FileReport::Result::GaveUp:
        return "skipped";
    case FileReport::Result::NotReached:
        return "not-started";
    }
    return "failed";
}

} // namespace zarta
