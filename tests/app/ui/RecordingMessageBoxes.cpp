#include "RecordingMessageBoxes.h"

zarta::ui::MessageBoxes::Answer RecordingMessageBoxes::ask(const Request& request) {
    requests.push_back(request);
    if (!answers.empty()) {
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return request.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}
