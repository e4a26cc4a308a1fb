#include "tests/support/RecordingPrompts.h"

void RecordingPrompts::showMessage(const std::string& text) {
    if (onPrompt) {
        onPrompt("message " + text);
    }
    messages.push_back(text);
}

std::optional<std::string> RecordingPrompts::askPassword(const std::string& fileName, bool again) {
    if (onPrompt) {
        onPrompt("password " + fileName);
    }
    asked.push_back(again && noteAgain ? fileName + " again" : fileName);
    if (const auto found = passwordFor.find(fileName); found != passwordFor.end()) {
        return found->second;
    }
    if (passwords.empty()) {
        return std::nullopt;
    }
    auto answer = passwords.front();
    passwords.pop_front();
    return answer;
}
