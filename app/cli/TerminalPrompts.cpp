#include "app/cli/TerminalPrompts.h"

#include "app/cli/Terminal.h"
#include "app/cli/TerminalPage.h"
#include "engine/EscapedText.h"
#include "engine/Messages.h"
#include "engine/ProductNames.h"

namespace zarta {

TerminalPrompts::TerminalPrompts(TerminalPage& page, std::optional<std::string> documentPassword,
                                 int wakeFd)
    : page_(page), wakeFd_(wakeFd), documentPassword_(std::move(documentPassword)) {}

void TerminalPrompts::showMessage(const std::string& text) {
    ++messages_;
    // A message is one line: a line break in it comes from a name and is shown escaped. The one
    // message of two lines starts with a fixed line, so the break after it is the engine's own.
    const std::string program = std::string(ProductNames::commandLineProgram) + ": ";
    const std::string fixedLine = std::string(Messages::noWordObject) + "\n";
    if (text.starts_with(fixedLine)) {
        page_.say(program + std::string(Messages::noWordObject));
        page_.say(text.substr(fixedLine.size()));
        return;
    }
    page_.say(program + text);
}

std::optional<std::string> TerminalPrompts::askPassword(const std::string& fileName, bool again) {
    if (documentPassword_) {
        // The file's password is offered once to each document; asked again, it was the wrong
        // one.
        if (!again) {
            return documentPassword_;
        }
        showMessage("the password from --document-password-file does not open \"" + fileName +
                    "\"; skipped");
        return std::nullopt;
    }
    if (!Terminal::interactive()) {
        showMessage("\"" + fileName +
                    "\" is password protected; skipped (give --document-password-file)");
        return std::nullopt;
    }
    if (again) {
        // Without this line a typo would look like a prompt that did not take the answer.
        page_.say("the password given for \"" + fileName + "\" was not accepted; try again");
    } else {
        page_.breakLine();
    }
    const auto answer = Terminal::askSecret("Password for \"" + EscapedText::forTerminal(fileName) +
                                                "\" (Enter alone skips the file): ",
                                            wakeFd_);
    if (!answer || answer->empty()) {
        page_.say("skipped \"" + fileName + "\"");
        return std::nullopt;
    }
    return answer;
}

} // namespace zarta
