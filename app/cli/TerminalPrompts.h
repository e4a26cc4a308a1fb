#pragma once

#include "UserPrompts.h"

#include <optional>
#include <string>

namespace zarta {

class TerminalPage;

// Messages and password questions of the command line. Messages go to standard error; a
// protected document's password comes from --document-password-file (offered once per
// document), else from the terminal without echo; with neither, the document is skipped.
//
// Thread: the batch's thread. The page must outlive the prompts.
class TerminalPrompts : public UserPrompts {
public:
    TerminalPrompts(TerminalPage& page, std::optional<std::string> documentPassword);

    void showMessage(const std::string& text) override;
    std::optional<std::string> askPassword(const std::string& fileName) override;

    int messagesShown() const { return messages_; }

private:
    TerminalPage& page_;
    std::optional<std::string> documentPassword_;
    std::string offeredFor_;
    int messages_ = 0;
};

} // namespace zarta
