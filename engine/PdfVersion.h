#pragma once

namespace zarta {

// The PDF version a conversion writes. 128-bit encryption needs at least 1.4 and raises 1.3.
enum class PdfVersion {
    V1_3,
    V1_4,
    V1_5,
};

} // namespace zarta
