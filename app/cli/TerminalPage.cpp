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

void TerminalPage::clearFileList() {
    files_.clear();
}

std::string TerminalPage::destinationFolder() {
    return destination_;
}

void TerminalPage::setDestinationFolder(const std::string& folder) {
    destination_ = folder;
}

void TerminalPage::setProgress(int position, int total, bool) {
    if (inPlace_ && total > 0 && position <= total && !(position == 100 && total == 100)) {
        draw(position, total);
    }
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

void TerminalPage::setStatus(const std::string& text) {
    say(text);
}

void TerminalPage::appendProducedFile(const std::string& name) {
    produced_.push_back(name);
    if (!inPlace_) {
        say("wrote " + destination_ + name);
    }
}

int TerminalPage::producedFileCount() {
    return static_cast<int>(produced_.size());
}

bool TerminalPage::askReplace(const std::string& outputPath) {
    bool replace = overwrite_ == CommandLine::Overwrite::Always;
    if (overwrite_ == CommandLine::Overwrite::Ask && Terminal::interactive()) {
        breakLine();
        const auto answer = Terminal::ask(
            Messages::fill(Messages::replaceQuestion, outputPath) + " [y/N] ", wakeFd_);
        replace = answer && (*answer == "y" || *answer == "Y" || *answer == "yes");
    }
    if (!replace) {
        ++skipped_;
        say("kept the existing " + outputPath);
    }
    return replace;
}

} // namespace zarta
