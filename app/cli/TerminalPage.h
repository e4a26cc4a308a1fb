#pragma once

#include "app/cli/CommandLine.h"
#include "app/cli/FileList.h"
#include "engine/BatchPage.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace zarta {

class JsonReport;

// The batch page of the command line: the files of its FileList (each PDF in the subfolder
// below the destination the list gives it, made when the file is taken on), the destination
// folder, a progress bar redrawn in place on a terminal (plain lines otherwise: "converting
// ...", "wrote ...", "kept the existing ..."), the overwrite question answered by the
// --overwrite/--no-overwrite policy or at the terminal, and the batch's status word at the end
// ("Complete!" when a PDF was written, "Stoped" otherwise). A list whose length is not known
// before the batch shows the count of files done without a total. Quiet, it shows none of
// that, only what went wrong (said through say()). With a report, each file's outcome also goes
// there as it is known.
//
// Thread: used by the one thread that runs the batch; writes to the given stream (standard
// error).
class TerminalPage : public BatchPage {
public:
    // wakeFd: see Terminal::ask (-1: none).
    TerminalPage(FileList files, std::string destination, CommandLine::Overwrite overwrite,
                 std::FILE* out, int wakeFd = -1);

    // Set before the batch. The report must outlive the batch.
    void setQuiet(bool quiet) { quiet_ = quiet; }
    void setReport(JsonReport* report) { report_ = report; }

    // Ends a progress line drawn in place, so that a message can follow on a line of its own.
    void breakLine();
    // On a terminal, ends the line the cursor is on whatever is on it (the terminal's echo of
    // ^C), so that the next text starts a line of its own.
    void startNewLine();
    // Writes one line of text (after breaking a progress line).
    void say(const std::string& text);

    // The number of PDFs written.
    int converted() const { return converted_; }
    // What the batch came to, once it has finished.
    const BatchSummary& summary() const { return summary_; }
    // Whether a line could not be written to the report (said when it happened).
    bool reportFailed() const { return reportFailed_; }
    // Existing PDFs kept because there was no terminal to ask whether to replace them.
    int keptUnasked() const { return keptUnasked_; }

    // The line that sums a batch up: "3 of 5 files converted, 1 kept (their PDF existed),
    // 1 failed"; the counts that are 0 are left out.
    static std::string summaryLine(const BatchSummary& summary);

    int fileCount() override;
    std::string fileAt(int index) override;
    bool hasFileAt(int index) override;
    bool fileArrived(int index) override { return files_.arrived(index); }
    std::string outputSubfolder(int index) override;
    void fileStarting(int index, int count, const std::string& sourcePath) override;
    std::string destinationFolder() override;
    bool askReplace(const std::string& outputPath) override;
    bool replacesWithoutAsking() override { return overwrite_ == CommandLine::Overwrite::Always; }
    void fileReported(const FileReport& report) override;
    void batchFinished(const BatchSummary& summary) override;

private:
    void draw(int position, int total);

    FileList files_;
    std::string destination_;
    CommandLine::Overwrite overwrite_;
    std::FILE* out_;
    int wakeFd_;
    bool inPlace_;
    bool lineOpen_ = false;
    std::string current_;
    bool quiet_ = false;
    JsonReport* report_ = nullptr;
    bool reportFailed_ = false;
    std::map<int, std::chrono::steady_clock::time_point> started_; // files under way
    int converted_ = 0;
    int reported_ = 0;
    int keptUnasked_ = 0;
    BatchSummary summary_;
};

} // namespace zarta
