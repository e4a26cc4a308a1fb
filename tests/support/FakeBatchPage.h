#pragma once

#include "engine/BatchPage.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// A convert page in memory that records every call the worker makes, in order, as text
// ("progress 1/3 filled", "status Complete!", ...). Thread-safe, so tests may read the log while
// a worker thread runs.
class FakeBatchPage : public zarta::BatchPage {
public:
    FakeBatchPage(std::vector<std::string> files, std::string destination);

    // Answers to the overwrite question, in turn; "no" once they run out.
    void answerReplace(std::deque<bool> answers);
    // Whether existing PDFs are replaced without the question; set before the batch.
    bool replaceWithoutAsking = false;

    std::vector<std::string> log() const;
    std::vector<std::string> produced() const;
    std::vector<std::string> replaceQuestions() const;
    std::string storedDestination() const;
    // Waits until the log holds an entry equal to entry; false after the timeout.
    bool waitFor(const std::string& entry,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    int fileCount() override;
    std::string fileAt(int index) override;
    void clearFileList() override;
    std::string destinationFolder() override;
    void setDestinationFolder(const std::string& folder) override;
    void setProgress(int position, int total, bool filled) override;
    void setStatus(const std::string& text) override;
    void setConverting(bool converting) override;
    void setListBusy(bool busy) override;
    void enableEditing() override;
    void resetConvertButton() override;
    void appendProducedFile(const std::string& name) override;
    int producedFileCount() override;
    bool askReplace(const std::string& outputPath) override;
    bool replacesWithoutAsking() override { return replaceWithoutAsking; }
    void stopStatusAnimation() override;
    void startFinishTimer() override;

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
};
