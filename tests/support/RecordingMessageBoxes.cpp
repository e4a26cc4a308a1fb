#include "tests/support/RecordingMessageBoxes.h"

zarta::ui::MessageBoxes::Answer RecordingMessageBoxes::ask(const Request& request) {
    requests.push_back(request);
    if (!answers.empty()) {
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    if (handler) {
        return handler(request);
    }
    return request.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

QStringList RecordingMessageBoxes::texts() const {
    QStringList result;
    for (const Request& request : requests) {
        result << request.text;
    }
    return result;
}
