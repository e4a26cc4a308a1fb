#pragma once

#include <stdexcept>
#include <string>

namespace zarta {

// The conversion service could not be reached or stopped answering: the connection failed,
// broke, or stayed silent past its time-out. what() says which, in words for a log or the user.
class ServiceError : public std::runtime_error {
public:
    explicit ServiceError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace zarta
