#pragma once

#include "engine/BatchPage.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// A convert page in memory. It takes the worker's events as the desktop's convert page does
// and records the steps that makes of them, in order, as text: "converting on" when the batch
// starts, "file 0" for each file taken on, "destination ..." when the folder gets its separator,
// "progress 1/3 filled" and "produced a.pdf" for a converted file, the progress step alone for a
// kept one, "replace? yes", and at the end "clear list", "stop timer 1", "progress 100/100
// filled", "converting off", "busy off", "status Complete!" (or "Stoped" when it holds no
// produced name or a failure ended the batch), "enable editing", "reset convert button" and "start
// timer 2". The events themselves are kept too. Thread-safe, so tests may read the log while a
// worker thread runs.
class FakeBatchPage : public zarta::BatchPage {
public:
    FakeBatchPage(std::vector<std::string> files, std::string destination);

    // Answers to the overwrite question, in turn; "no" once they run out.
    void answerReplace(std::deque<bool> answers);
    // Whether existing PDFs are replaced without the question; set before the batch.
    bool replaceWithoutAsking = false;

    std::vector<std::string> log() const;
    std::vector<zarta::FileReport> reports() const;
    // The summary of the last batchFinished(); files is -1 before one.
    zarta::BatchSummary summary() const;
    std::vector<std::string> produced() const;
    std::vector<std::string> replaceQuestions() const;
    std::string storedDestination() const;
    // Waits until the log holds an entry equal to entry; false after the timeout.
    bool waitFor(const std::string& entry,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    int fileCount() override;
    std::string fileAt(int index) override;
    std::string destinationFolder() override;
    void destinationSettled(const std::string& folder) override;
    bool askReplace(const std::string& outputPath) override;
    bool replacesWithoutAsking() override { return replaceWithoutAsking; }
    void batchStarted() override;
    void fileReported(const zarta::FileReport& report) override;
    void batchFinished(const zarta::BatchSummary& summary) override;

private:
    void record(std::string entry);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> files_;
    std::string destination_;
    std::vector<std::string> produced_;
    std::deque<bool> replaceAnswers_;
    std::vector<std::string> replaceQuestions_;
    std::vector<std::string> log_;
    std::vector<zarta::FileReport> reports_;
    zarta::BatchSummary summary_;
};
