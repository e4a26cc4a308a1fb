#pragma once

namespace zarta {

// The encryption of a protected PDF. The first two follow the order of the two radio buttons
// on the security page, so an option page may store the checked button's index; the AES levels
// come after them.
enum class EncryptionLevel : int {
    Low = 0,    // "Low(40-bit RC4)"
    High = 1,   // "High(128-bit RC4)"
    Aes128 = 2, // AES with 128-bit keys (security handler revision 4)
    Aes256 = 3, // AES with 256-bit keys (revision 6)
};

// Whether the level uses AES, which Ghostscript cannot write: a PDF library encrypts instead.
inline bool usesAes(EncryptionLevel level) {
    return level == EncryptionLevel::Aes128 || level == EncryptionLevel::Aes256;
}

} // namespace zarta
