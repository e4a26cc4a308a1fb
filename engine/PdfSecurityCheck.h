#pragma once

#include "engine/EncryptionLevel.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace zarta {

// Reads a written, encrypted PDF back and confirms that its security is what was asked for,
// so that a PDF the encryption silently weakened is never reported as converted. The real check
// reads the PDF with a PDF library; tests of the Ghostscript stage use fakes.
//
// Thread: verify() runs on the batch worker's thread; the object keeps no state between calls.
class PdfSecurityCheck {
public:
    struct Expectation {
        // RC4 at 40 (Low) or 128 (High) bits, or AES at 128 or 256 bits.
        EncryptionLevel level = EncryptionLevel::Low;
        std::string ownerPassword; // must give the owner's rights
        // Absent: the PDF must open without a password. Present: the PDF must open with it, as
        // a user and not as the owner, and (when it is not empty) must not open without it.
        std::optional<std::string> userPassword;
        // The permission value the PDF must carry; compared on the bits the level defines
        // (3 to 6 for 40 bits, 3 to 6 and 9 to 12 for the others).
        int permissions = -4;
    };

    // Raised by verify() when the PDF differs; what() says how.
    class Mismatch : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    virtual ~PdfSecurityCheck() = default;

    // Returns when the PDF at path meets the expectation; throws Mismatch otherwise (also when
    // it cannot be read at all).
    virtual void verify(const std::string& path, const Expectation& expected) const = 0;

    // The permission bits a level defines, as a mask of the permission value.
    static int definedBits(EncryptionLevel level) {
        constexpr int low = 0x3C;         // bits 3 to 6
        constexpr int high = low | 0xF00; // and bits 9 to 12
        return level == EncryptionLevel::Low ? low : high;
    }
};

} // namespace zarta
