#pragma once

#include "engine/WordError.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace zarta {

// What the office reported while it tried to open one document, and what that means: only a
// document that really asked for a password (a password request, or the office's "wrong
// password" error) is PasswordRequired; every other failure is CannotOpen with a reason. An
// encrypted package the office failed on without asking for a password is one whose
// encryption it does not know: it is said to be protected so, not damaged.
//
// Filled by the interaction handler, on whichever thread the office calls back on, and read by
// the loading thread once the load has returned; thread-safe.
class LoadDiagnosis {
public:
    // Set before the load: the file is an encrypted package.
    void encryptedPackage();
    void passwordRequested();
    void brokenPackage();
    // An office error code (from an error request or an exception), warnings included.
    void errorCode(std::uint32_t code);

    bool askedForPassword() const;

    // The error for a load that yielded no document.
    WordError failure() const;

private:
    mutable std::mutex mutex_;
    bool encryptedPackage_ = false;
    bool passwordRequested_ = false;
    bool brokenPackage_ = false;
    std::vector<std::uint32_t> codes_;
};

} // namespace zarta
