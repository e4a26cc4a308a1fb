#pragma once

#include "app/ui/MessageBoxes.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

// Stands in for the message boxes while it exists: records every request and answers from a
// queue, then through the handler (which may run the event loop, as a real modal box does), then
// Ok for an OK box and No for a Yes/No box.
class RecordingMessageBoxes : public zarta::ui::MessageBoxes {
public:
    RecordingMessageBoxes() { install(this); }
    ~RecordingMessageBoxes() override { install(nullptr); }
    RecordingMessageBoxes(const RecordingMessageBoxes&) = delete;
    RecordingMessageBoxes& operator=(const RecordingMessageBoxes&) = delete;

    Answer ask(const Request& request) override;
    QStringList texts() const;

    std::vector<Request> requests;
    std::deque<Answer> answers;
    std::function<Answer(const Request&)> handler;
};
