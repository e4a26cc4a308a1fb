#pragma once

#include <optional>
#include <string>

namespace zarta {

// The controlling terminal, for questions asked while a batch runs. Questions go to and
// answers come from /dev/tty, so they work even when standard input or output is redirected.
// Thread: one thread at a time.
class Terminal {
public:
    // True when a terminal can be asked (there is a controlling terminal and standard error
    // is one, so a person is watching).
    static bool interactive();

    // True when standard error is a terminal (progress can be redrawn in place).
    static bool stderrIsTerminal();

    // Writes prompt and reads one line; nothing when no terminal can be read (or at its end).
    // While it waits it also watches wakeFd (-1: none): once that is readable, the batch has
    // been abandoned, and the question ends with BatchAbandoned at once.
    static std::optional<std::string> ask(const std::string& prompt, int wakeFd);

    // As ask(), with echo switched off while the line is typed; echo is back on however the
    // question ends.
    static std::optional<std::string> askSecret(const std::string& prompt, int wakeFd);
};

} // namespace zarta
