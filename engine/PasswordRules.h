#pragma once

#include "engine/EncryptionLevel.h"

#include <cstddef>
#include <optional>
#include <string>

namespace zarta {

struct ConversionOptions;

// Which PDF passwords the encryption can keep exactly as the user entered them.
//
// The PDF's RC4 and AES-128 security keys on at most 32 bytes of each password, padded with a
// fixed string; AES-256 on at most 127 bytes, unpadded. The passwords are taken as UTF-8 text. A
// password that is not valid UTF-8 text may be dropped (the PDF then opens without it), a longer
// one is cut, and an owner password that comes to the same key as the user password gives
// everyone who can open the PDF the owner's rights. PDF/A admits no encryption at all, so a
// PDF/A version with passwords is refused too. problem() finds these before anything is
// converted.
//
// Plain functions of the options; thread-safe.
class PasswordRules {
public:
    // The bytes of a password the encryption keys on.
    static constexpr std::size_t keptBytes = 32;
    static constexpr std::size_t aes256KeptBytes = 127;
    static std::size_t keptBytesFor(EncryptionLevel level);

    // The password to fix, and the message for the user, naming that password ("Owner
    // Password", "User Password") and saying why it cannot be used.
    struct Problem {
        enum class Field { OwnerPassword, UserPassword };
        Field field;
        std::string message;
    };

    // Empty when the passwords that will encrypt the PDF are kept exactly (or when the PDF is
    // not encrypted at all).
    static std::optional<Problem> check(const ConversionOptions& options);
    // check()'s message alone.
    static std::optional<std::string> problem(const ConversionOptions& options);

    static bool isValidUtf8(const std::string& text);

    // The 32 bytes the encryption derives its key from: the password cut to 32 bytes, then
    // filled up with the PDF's padding string.
    static std::string paddedKey(const std::string& password);
};

} // namespace zarta
