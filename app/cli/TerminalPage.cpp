#include "app/cli/TerminalPage.h"

#include "app/cli/Terminal.h"
#include "engine/Messages.h"
#include "engine/OutputNaming.h"

namespace zarta {

namespace {

constexpr int barWidth = 30;

} // namespace

TerminalPage::TerminalPage(std::vector<std::string> files, std::string destination,
                           CommandLine::Overwrite overwrite, std::FILE* out, int wakeFd)
    : files_(std::move(files)), destination_(std::move(destination)), overwrite_(overwrite),
      out_(out), wakeFd_(wakeFd), inPlace_(Terminal::stderrIsTerminal()) {}

void TerminalPage::breakLine() {
    if (lineOpen_) {
        std::fputc('\n', out_);
        lineOpen_ = false;
    }
}

void TerminalPage::say(const std::string& text) {
    breakLine();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

int TerminalPage::fileCount() {
    return static_cast<int>(files_.size());
}

std::string TerminalPage::fileAt(int index) {
    current_ = files_.at(static_cast<size_t>(index));
    if (inPlace_) {
        draw(index, fileCount());
    } else {
        say("converting " + current_);
    }
    return current_;
}

std::string TerminalPage::destinationFolder() {
    return destination_;
}

void TerminalPage::draw(int position, int total) {
    const int filled = total > 0 ? position * barWidth / total : 0;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(barWidth, '.');
    std::fprintf(out_, "\r\033[K[%s] %d/%d %s", bar.c_str(), position, total,
                 OutputNaming::fileName(current_).c_str());
    std::fflush(out_);
    lineOpen_ = true;
}

void TerminalPage::fileReported(const FileReport& report) {
    if (report.result == FileReport::Result::Kept) {
        say("kept the existing " + report.outputPath);
    } else if (report.result == FileReport::Result::Converted) {
        produced_.push_back(OutputNaming::pdfName(report.sourcePath));
        if (!inPlace_) {
            say("wrote " + report.outputPath);
        }
    } else {
        return;
    }
    if (inPlace_) {
        draw(report.index + 1, report.count);
    }
}

void TerminalPage::batchFinished(const BatchSummary&) {
    say(std::string(produced_.empty() ? Messages::statusStopped : Messages::statusComplete));
}

bool TerminalPage::askReplace(const std::string& outputPath) {
    bool replace = overwrite_ == CommandLine::Overwrite::Always;
    if (overwrite_ == CommandLine::Overwrite::Ask && Terminal::interactive()) {
        breakLine();
        const auto answer = Terminal::ask(
            Messages::fill(Messages::replaceQuestion, outputPath) + " [y/N] ", wakeFd_);
        replace = answer && (*answer == "y" || *answer == "Y" || *answer == "yes");
    }
    return replace;
}

} // namespace zarta
