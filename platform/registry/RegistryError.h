#pragma once

#include <stdexcept>
#include <string>

namespace zarta {

// A registry operation that failed, with the system error number Windows' registry functions
// would return for it (ERROR_ACCESS_DENIED, ERROR_BADDB, ...) and a message naming the file or
// key. Raised by the registry layer; callers at the COM boundary turn code() into an HRESULT.
class RegistryError : public std::runtime_error {
public:
    static constexpr long fileNotFound = 2;      // ERROR_FILE_NOT_FOUND
    static constexpr long accessDenied = 5;      // ERROR_ACCESS_DENIED
    static constexpr long invalidParameter = 87; // ERROR_INVALID_PARAMETER
    static constexpr long damaged = 1009;        // ERROR_BADDB
    static constexpr long cannotRead = 1012;     // ERROR_CANTREAD
    static constexpr long cannotWrite = 1013;    // ERROR_CANTWRITE

    RegistryError(long code, const std::string& message)
        : std::runtime_error(message), code_(code) {}

    long code() const { return code_; }

private:
    long code_;
};

} // namespace zarta
