#pragma once

#include "engine/PdfSecurityCheck.h"

namespace zarta {

// The security check with qpdf: opens the PDF with no password, the user password and the
// owner password, and compares its encryption (RC4 revision, key length) and permission value
// with the expectation.
//
// Thread-safe: each verify() reads the file afresh.
class QpdfSecurityCheck : public PdfSecurityCheck {
public:
    void verify(const std::string& path, const Expectation& expected) const override;
};

} // namespace zarta
