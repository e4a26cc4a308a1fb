#include "tests/support/FakeBatchPage.h"

FakeBatchPage::FakeBatchPage(std::vector<std::string> files, std::string destination)
    : files_(std::move(files)), destination_(std::move(destination)) {}

void FakeBatchPage::answerReplace(std::deque<bool> answers) {
    std::lock_guard lock(mutex_);
    replaceAnswers_ = std::move(answers);
}

std::vector<std::string> FakeBatchPage::log() const {
    std::lock_guard lock(mutex_);
    return log_;
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

void FakeBatchPage::clearFileList() {
    std::lock_guard lock(mutex_);
    files_.clear();
    record("clear list");
}

std::string FakeBatchPage::destinationFolder() {
    std::lock_guard lock(mutex_);
    return destination_;
}

void FakeBatchPage::setDestinationFolder(const std::string& folder) {
    std::lock_guard lock(mutex_);
    destination_ = folder;
    record("destination " + folder);
}

void FakeBatchPage::setProgress(int position, int total, bool filled) {
    std::lock_guard lock(mutex_);
    record("progress " + std::to_string(position) + "/" + std::to_string(total) +
           (filled ? " filled" : " empty"));
}

void FakeBatchPage::setStatus(const std::string& text) {
    std::lock_guard lock(mutex_);
    record("status " + text);
}

void FakeBatchPage::setConverting(bool converting) {
    std::lock_guard lock(mutex_);
    record(converting ? "converting on" : "converting off");
}

void FakeBatchPage::setListBusy(bool busy) {
    std::lock_guard lock(mutex_);
    record(busy ? "busy on" : "busy off");
}

void FakeBatchPage::enableEditing() {
    std::lock_guard lock(mutex_);
    record("enable editing");
}

void FakeBatchPage::resetConvertButton() {
    std::lock_guard lock(mutex_);
    record("reset convert button");
}

void FakeBatchPage::appendProducedFile(const std::string& name) {
    std::lock_guard lock(mutex_);
    produced_.push_back(name);
    record("produced " + name);
}

int FakeBatchPage::producedFileCount() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(produced_.size());
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

void FakeBatchPage::stopStatusAnimation() {
    std::lock_guard lock(mutex_);
    record("stop timer 1");
}

void FakeBatchPage::startFinishTimer() {
    std::lock_guard lock(mutex_);
    record("start timer 2");
}
