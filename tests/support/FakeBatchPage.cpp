#include "tests/support/FakeBatchPage.h"

#include "engine/Messages.h"
#include "engine/OutputNaming.h"

FakeBatchPage::FakeBatchPage(std::vector<std::string> files, std::string destination)
    : files_(std::move(files)), destination_(std::move(destination)) {
    summary_.files = -1;
}

void FakeBatchPage::answerReplace(std::deque<bool> answers) {
    std::lock_guard lock(mutex_);
    replaceAnswers_ = std::move(answers);
}

std::vector<std::string> FakeBatchPage::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::vector<zarta::FileReport> FakeBatchPage::reports() const {
    std::lock_guard lock(mutex_);
    return reports_;
}

zarta::BatchSummary FakeBatchPage::summary() const {
    std::lock_guard lock(mutex_);
    return summary_;
}

std::vector<std::string> FakeBatchPage::produced() const {
    std::lock_guard lock(mutex_);
    return produced_;
}

std::vector<std::string> FakeBatchPage::replaceQuestions() const {
    std::lock_guard lock(mutex_);
    return replaceQuestions_;
}

std::string FakeBatchPage::storedDestination() const {
    std::lock_guard lock(mutex_);
    return destination_;
}

bool FakeBatchPage::waitFor(const std::string& entry, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        for (const auto& e : log_) {
            if (e == entry) {
                return true;
            }
        }
        return false;
    });
}

void FakeBatchPage::record(std::string entry) {
    log_.push_back(std::move(entry));
    changed_.notify_all();
}

int FakeBatchPage::fileCount() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(files_.size());
}

std::string FakeBatchPage::fileAt(int index) {
    std::lock_guard lock(mutex_);
    record("file " + std::to_string(index));
    return files_.at(static_cast<size_t>(index));
}

std::string FakeBatchPage::destinationFolder() {
    std::lock_guard lock(mutex_);
    return destination_;
}

void FakeBatchPage::destinationSettled(const std::string& folder) {
    std::lock_guard lock(mutex_);
    if (folder != destination_) {
        destination_ = folder;
        record("destination " + folder);
    }
}

bool FakeBatchPage::askReplace(const std::string& outputPath) {
    std::lock_guard lock(mutex_);
    replaceQuestions_.push_back(outputPath);
    bool answer = false;
    if (!replaceAnswers_.empty()) {
        answer = replaceAnswers_.front();
        replaceAnswers_.pop_front();
    }
    record(std::string("replace? ") + (answer ? "yes" : "no"));
    return answer;
}

void FakeBatchPage::batchStarted() {
    std::lock_guard lock(mutex_);
    record("converting on");
}

void FakeBatchPage::fileReported(const zarta::FileReport& report) {
    std::lock_guard lock(mutex_);
    reports_.push_back(report);
    using Result = zarta::FileReport::Result;
    if (report.result == Result::Converted || report.result == Result::Kept) {
        record("progress " + std::to_string(report.index + 1) + "/" + std::to_string(report.count) +
               " filled");
    }
    if (report.result == Result::Converted) {
        const std::string name = zarta::OutputNaming::pdfName(report.sourcePath);
        produced_.push_back(name);
        record("produced " + name);
    }
}

void FakeBatchPage::batchFinished(const zarta::BatchSummary& summary) {
    std::lock_guard lock(mutex_);
    summary_ = summary;
    files_.clear();
    for (const char* step :
         {"clear list", "stop timer 1", "progress 100/100 filled", "converting off", "busy off"}) {
        record(step);
    }
    const bool complete = !produced_.empty() && summary.endedBy.empty();
    record(std::string("status ") + std::string(complete ? zarta::Messages::statusComplete
                                                         : zarta::Messages::statusStopped));
    record("enable editing");
    record("reset convert button");
    record("start timer 2");
}
