#pragma once

#include "app/cli/CommandLine.h"
#include "engine/BatchPage.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zarta {

// The batch page of the command line: the files named on it, the destination folder, a
// progress bar redrawn in place on a terminal (plain lines otherwise: "converting ...",
// "wrote ...", "kept the existing ..."), the overwrite question answered by the
// --overwrite/--no-overwrite policy or at the terminal, and the batch's status word at the end
// ("Complete!" when a PDF was written, "Stoped" otherwise).
//
// Thread: used by the one thread that runs the batch; writes to the given stream (standard
// error).
class TerminalPage : public BatchPage {
public:
    // wakeFd: see Terminal::ask (-1: none).
    TerminalPage(std::vector<std::string> files, std::string destination,
                 CommandLine::Overwrite overwrite, std::FILE* out, int wakeFd = -1);

    // Ends a progress line drawn in place, so that a message can follow on a line of its own.
    void breakLine();
    // On a terminal, ends the line the cursor is on whatever is on it (the terminal's echo of
    // ^C), so that the next text starts a line of its own.
    void startNewLine();
    // Writes one line of text (after breaking a progress line).
    void say(const std::string& text);

    const std::vector<std::string>& produced() const { return produced_; }
    // What the batch came to, once it has finished.
    const BatchSummary& summary() const { return summary_; }
    // Existing PDFs kept because there was no terminal to ask whether to replace them.
    int keptUnasked() const { return keptUnasked_; }

    // The line that sums a batch up: "3 of 5 files converted, 1 kept (their PDF existed),
    // 1 failed"; the counts that are 0 are left out.
    static std::string summaryLine(const BatchSummary& summary);

    int fileCount() override;
    std::string fileAt(int index) override;
    void fileStarting(int index, int count, const std::string& sourcePath) override;
    std::string destinationFolder() override;
    bool askReplace(const std::string& outputPath) override;
    bool replacesWithoutAsking() override { return overwrite_ == CommandLine::Overwrite::Always; }
    void fileReported(const FileReport& report) override;
    void batchFinished(const BatchSummary& summary) override;

private:
    void draw(int position, int total);

    std::vector<std::string> files_;
    std::string destination_;
    CommandLine::Overwrite overwrite_;
    std::FILE* out_;
    int wakeFd_;
    bool inPlace_;
    bool lineOpen_ = false;
    std::string current_;
    std::vector<std::string> produced_;
    int reported_ = 0;
    int keptUnasked_ = 0;
    BatchSummary summary_;
};

} // namespace zarta
