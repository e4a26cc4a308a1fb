#pragma once

namespace zarta {

// The PDF version a conversion writes. 128-bit encryption needs at least 1.4 and raises 1.3.
// The PDF/A versions (ISO 19005, conformance level b) are archival profiles the structure-keeping
// route writes; they admit no encryption.
enum class PdfVersion {
    V1_3,
    V1_4,
    V1_5,
    V1_6,
    PdfA1b,
    PdfA2b,
    PdfA3b,
};

// Whether the version is one of the PDF/A profiles.
inline bool isPdfA(PdfVersion version) {
    return version == PdfVersion::PdfA1b || version == PdfVersion::PdfA2b ||
           version == PdfVersion::PdfA3b;
}

} // namespace zarta
