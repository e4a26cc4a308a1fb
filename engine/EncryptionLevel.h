#pragma once

namespace zarta {

// RC4 key strength of an encrypted PDF. The numbering follows the order of the two radio
// buttons on the security page, so an option page may store the checked button's index.
enum class EncryptionLevel : int {
    Low = 0,  // "Low(40-bit RC4)"
    High = 1, // "High(128-bit RC4)"
};

} // namespace zarta
