#pragma once

#include <stdexcept>
#include <string>

namespace zarta {

// Raised inside one file's conversion when that file cannot be converted. what() is the
// complete message for the user (it names the file). The batch worker catches it in one place,
// shows the message, counts the file as not converted and goes on with the next file.
// Subclasses say which stage failed, so callers and tests can tell them apart.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace zarta
