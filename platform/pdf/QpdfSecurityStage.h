#pragma once

#include "engine/PdfStage.h"

namespace zarta {

class PdfSecurityCheck;

// Applies the options' security to a PDF that is otherwise finished (the office's own export,
// or a PDF Ghostscript wrote without encryption), with qpdf: the owner and user passwords, the
// allowed actions with the same permission bits as the Ghostscript stage, at any of the four
// levels (RC4 40 and 128 bits, AES 128 and 256 bits). Everything else in the PDF is kept as it
// is: its links, outline, structure tree, metadata and document information. Without security
// the PDF is passed on unchanged.
//
// job.printFile is the finished PDF; it is left in place. The written PDF is read back with the
// security check before writePdf() returns.
//
// Thread: any, one call at a time; the check must outlive the stage.
class QpdfSecurityStage : public PdfStage {
public:
    explicit QpdfSecurityStage(const PdfSecurityCheck& check) : check_(check) {}

    // Throws a ConversionError naming the document when the PDF cannot be read or written, or
    // its security reads back otherwise than chosen; nothing usable is left at outputPath then.
    void writePdf(const Job& job, const ConversionOptions& options, BatchControl& control) override;

private:
    const PdfSecurityCheck& check_;
};

} // namespace zarta
