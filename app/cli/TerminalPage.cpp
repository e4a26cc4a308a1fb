#include "app/cli/TerminalPage.h"

#include "app/cli/JsonReport.h"
#include "app/cli/Terminal.h"
#include "engine/BatchAbandoned.h"
#include "engine/EscapedText.h"
#include "engine/Messages.h"
#include "engine/OutputNaming.h"
#include "engine/ProductNames.h"

#include <filesystem>
#include <stdexcept>

namespace zarta {

namespace {

constexpr int barWidth = 30;

} // namespace

TerminalPage::TerminalPage(FileList files, std::string destination,
                           CommandLine::Overwrite overwrite, std::FILE* out, int wakeFd)
    : files_(std::move(files)), destination_(std::move(destination)), overwrite_(overwrite),
      out_(out), wakeFd_(wakeFd), inPlace_(Terminal::stderrIsTerminal()) {}

void TerminalPage::breakLine() {
    if (lineOpen_) {
        std::fputc('\n', out_);
        lineOpen_ = false;
    }
}

void TerminalPage::startNewLine() {
    if (inPlace_) {
        std::fputc('\n', out_);
        lineOpen_ = false;
    }
}

void TerminalPage::say(const std::string& text) {
    breakLine();
    // A line holds names of files, which may hold any control character.
    std::fprintf(out_, "%s\n", EscapedText::forTerminal(text).c_str());
    std::fflush(out_);
}

int TerminalPage::fileCount() {
    return files_.count();
}

std::string TerminalPage::fileAt(int index) {
    return files_.at(index).path;
}

bool TerminalPage::hasFileAt(int index) {
    const bool has = files_.has(index);
    if (files_.interrupted()) {
        throw BatchAbandoned();
    }
    return has;
}

std::string TerminalPage::outputSubfolder(int index) {
    const std::string subfolder = files_.at(index).subfolder;
    if (!subfolder.empty()) {
        // A folder that cannot be made fails the file when its PDF is published there, with
        // the reason.
        std::error_code ignored;
        std::filesystem::create_directories(destination_ + "/" + subfolder, ignored);
    }
    return subfolder;
}

void TerminalPage::fileStarting(int index, int count, const std::string& sourcePath) {
    started_[index] = std::chrono::steady_clock::now();
    current_ = sourcePath;
    if (quiet_) {
        return;
    }
    if (inPlace_) {
        draw(reported_, count);
    } else {
        say("converting " + current_);
    }
}

std::string TerminalPage::destinationFolder() {
    return destination_;
}

void TerminalPage::draw(int position, int total) {
    const std::string name = EscapedText::forTerminal(OutputNaming::fileName(current_));
    if (total == BatchPage::unknownCount) {
        std::fprintf(out_, "\r\033[K[%d done] %s", position, name.c_str());
        std::fflush(out_);
        lineOpen_ = true;
        return;
    }
    const int filled = total > 0 ? position * barWidth / total : 0;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(barWidth, '.');
    std::fprintf(out_, "\r\033[K[%s] %d/%d %s", bar.c_str(), position, total, name.c_str());
    std::fflush(out_);
    lineOpen_ = true;
}

void TerminalPage::fileReported(const FileReport& report) {
    // The bar counts the files that are done, whatever they came to, so that its last count
    // is the number of files the summary accounts for.
    ++reported_;
    if (report.result == FileReport::Result::Converted) {
        ++converted_;
    }
    if (report_ != nullptr) {
        long long milliseconds = 0;
        if (const auto start = started_.find(report.index); start != started_.end()) {
            milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start->second)
                               .count();
        }
        try {
            report_->add(report, milliseconds);
        } catch (const std::runtime_error& error) {
            // Said once; the conversions go on, and the run cannot end with success.
            say(std::string(ProductNames::commandLineProgram) + ": " + error.what());
            report_ = nullptr;
            reportFailed_ = true;
        }
    }
    started_.erase(report.index);
    if (quiet_) {
        return;
    }
    if (report.result == FileReport::Result::Kept) {
        say("kept the existing " + report.outputPath);
    } else if (report.result == FileReport::Result::Converted && !inPlace_) {
        say("wrote " + report.outputPath);
    }
    if (inPlace_) {
        draw(reported_, report.count);
    }
}

void TerminalPage::batchFinished(const BatchSummary& summary) {
    summary_ = summary;
    if (quiet_) {
        breakLine();
        return;
    }
    if (!summary.refused) {
        say(summaryLine(summary));
    }
    say(std::string(converted_ == 0 ? Messages::statusStopped : Messages::statusComplete));
}

std::string TerminalPage::summaryLine(const BatchSummary& summary) {
    std::string line = std::to_string(summary.converted) + " of " + std::to_string(summary.files) +
                       " files converted";
    const std::pair<int, const char*> parts[] = {
        {summary.kept, " kept (their PDF existed)"},
        {summary.failed, " failed"},
        {summary.gaveUp, " given up (no password)"},
        {summary.notReached, " not started (the batch ended early)"},
    };
    for (const auto& [count, what] : parts) {
        if (count > 0) {
            line += ", " + std::to_string(count) + what;
        }
    }
    return line;
}

bool TerminalPage::askReplace(const std::string& outputPath) {
    bool replace = overwrite_ == CommandLine::Overwrite::Always;
    if (overwrite_ == CommandLine::Overwrite::Ask && Terminal::interactive()) {
        breakLine();
        const auto answer = Terminal::ask(
            Messages::fill(Messages::replaceQuestion, EscapedText::forTerminal(outputPath)) +
                " [y/N] ",
            wakeFd_);
        replace = answer && (*answer == "y" || *answer == "Y" || *answer == "yes");
    } else if (overwrite_ == CommandLine::Overwrite::Ask) {
        // No one to ask: the PDF is kept, but nobody chose that.
        ++keptUnasked_;
    }
    return replace;
}

} // namespace zarta
