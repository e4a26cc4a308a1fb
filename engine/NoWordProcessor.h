#pragma once

#include "engine/Messages.h"
#include "engine/WordStageError.h"

#include <string>

namespace zarta {

// No word processor could be started for a file's conversion: nothing about the file itself is
// known to be wrong. what() is the standard message for it, followed, when the provider said
// why, by a line with that reason. A batch with several word processors hands such a file to
// another one; a batch with none left ends there.
class NoWordProcessor : public WordStageError {
public:
    // reason: why the word processor could not be started, in the provider's words (may be
    // empty).
    explicit NoWordProcessor(const std::string& reason = std::string())
        : WordStageError(message(reason)), reason_(reason) {}

    const std::string& reason() const { return reason_; }

private:
    static std::string message(const std::string& reason) {
        std::string text(Messages::noWordObject);
        if (!reason.empty()) {
            text += "\n" + Messages::fill(Messages::wordProcessorNotStarted, reason);
        }
        return text;
    }

    std::string reason_;
};

} // namespace zarta
