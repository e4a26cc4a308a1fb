#pragma once

#include "MessageBoxes.h"

#include <deque>
#include <vector>

// Stands in for the message boxes while it exists: records every request and answers from a
// queue (Ok for an OK box and No for a Yes/No box once the queue is empty).
class RecordingMessageBoxes : public zarta::ui::MessageBoxes {
public:
    RecordingMessageBoxes() { install(this); }
    ~RecordingMessageBoxes() override { install(nullptr); }
    RecordingMessageBoxes(const RecordingMessageBoxes&) = delete;
    RecordingMessageBoxes& operator=(const RecordingMessageBoxes&) = delete;

    Answer ask(const Request& request) override;

    std::vector<Request> requests;
    std::deque<Answer> answers;
};
