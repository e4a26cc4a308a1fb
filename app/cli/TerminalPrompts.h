#pragma once

#include "engine/UserPrompts.h"

#include <optional>
#include <string>

namespace zarta {

class TerminalPage;

// Messages and password questions of the command line. Messages go to standard error; a
// protected document's password comes from --document-password-file (offered once per
// document of the batch, so two documents of the same name in different folders each get it;
// asked again about the same document, the password was wrong and the document is skipped),
// else from the terminal without echo; with neither, the document is skipped.
//
// Thread: the batch's thread. The page must outlive the prompts.
class TerminalPrompts : public UserPrompts {
public:
    // wakeFd: see Terminal::ask (-1: none).
    TerminalPrompts(TerminalPage& page, std::optional<std::string> documentPassword,
                    int wakeFd = -1);

    void showMessage(const std::string& text) override;
    std::optional<std::string> askPassword(const std::string& fileName, bool again) override;

    int messagesShown() const { return messages_; }

private:
    TerminalPage& page_;
    int wakeFd_;
    std::optional<std::string> documentPassword_;
    int messages_ = 0;
};

} // namespace zarta
