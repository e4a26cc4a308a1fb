#pragma once

#include "engine/PdfStage.h"

namespace zarta {

// Sends each document's first PDF the way its options call for:
// - structure-keeping route: the office's export is already the PDF; the finishing stage
//   applies the security to it (and passes it on unchanged without security);
// - print route with AES: Ghostscript writes the PDF with every option but the security, into
//   the conversion's work folder, and the finishing stage encrypts it;
// - print route otherwise: Ghostscript does everything, as it always has.
//
// Thread: as PdfStage; both stages must outlive this one.
class RoutedPdfStage : public PdfStage {
public:
    // The name of the unencrypted PDF in the work folder on the way to AES.
    static constexpr const char* unencryptedFileName = "unencrypted.pdf";

    RoutedPdfStage(PdfStage& ghostscript, PdfStage& finishing)
        : ghostscript_(ghostscript), finishing_(finishing) {}

    void writePdf(const Job& job, const ConversionOptions& options, BatchControl& control) override;

private:
    PdfStage& ghostscript_;
    PdfStage& finishing_;
};

} // namespace zarta
