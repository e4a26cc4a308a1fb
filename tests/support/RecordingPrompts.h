#pragma once

#include "engine/UserPrompts.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Answers a conversion's questions as a test scripts them, and records them.
//
// A password question is answered from passwordFor (by file name) when it names the file, else
// with the next of passwords; Cancel once there is none. messages and asked record what was
// shown and asked, in order: asked holds the file names, with " again" appended to a repeated
// question when noteAgain is set. onPrompt, when set, runs first on every call, with
// "message TEXT" or "password FILE".
//
// Thread: one call at a time, as UserPrompts promises. Configure before the batch starts; read
// the records once it has ended (or from onPrompt).
class RecordingPrompts : public zarta::UserPrompts {
public:
    std::deque<std::optional<std::string>> passwords;
    std::map<std::string, std::string> passwordFor;
    bool noteAgain = false;
    std::function<void(const std::string& prompt)> onPrompt;

    std::vector<std::string> messages;
    std::vector<std::string> asked;

    void showMessage(const std::string& text) override;
    std::optional<std::string> askPassword(const std::string& fileName, bool again) override;
};
