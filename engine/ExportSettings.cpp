#include "engine/ExportSettings.h"

#include "engine/ConversionOptions.h"

#include <vector>

namespace zarta {

namespace {

int jpegPercent(JpegQuality quality) {
    switch (quality) {
    case JpegQuality::Minimum:
        return 25;
    case JpegQuality::Low:
        return 50;
    case JpegQuality::Medium:
        return 75;
    case JpegQuality::Maximum:
        return 95;
    }
    return 75;
}

int pdfAPart(PdfVersion version) {
    switch (version) {
    case PdfVersion::PdfA1b:
        return 1;
    case PdfVersion::PdfA2b:
        return 2;
    case PdfVersion::PdfA3b:
        return 3;
    default:
        return 0;
    }
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : (i + 1 == parts.size() ? " and " : ", ")) + parts[i];
    }
    return text;
}

} // namespace

FixedFormatExport ExportSettings::forOptions(const ConversionOptions& options,
                                             const std::string& outputFile) {
    FixedFormatExport settings;
    settings.outputFile = outputFile;
    settings.pdfAPart = pdfAPart(options.pdfVersion);
    settings.structureTags = options.tagged || settings.pdfAPart > 0;
    settings.pdfMinorVersion = options.pdfVersion == PdfVersion::V1_6 ? 6 : 5;
    settings.losslessImages = options.imagesCompression == ImageCompression::Flate;
    settings.jpegQuality = jpegPercent(options.jpegQuality);
    return settings;
}

std::optional<std::string> ExportSettings::unusedSettings(const ConversionOptions& options) {
    std::vector<std::string> unused;
    if (options.keepsStructure()) {
        if (options.documentCompression == DocumentCompression::Lzw) {
            unused.emplace_back("LZW document compression (the PDF is compressed with Flate)");
        }
        if (options.pdfVersion == PdfVersion::V1_3 || options.pdfVersion == PdfVersion::V1_4) {
            unused.emplace_back(std::string("PDF version ") +
                                (options.pdfVersion == PdfVersion::V1_3 ? "1.3" : "1.4") +
                                " (the PDF is written as version 1.5)");
        }
        if (unused.empty()) {
            return std::nullopt;
        }
        return "In the structure-keeping route " + joined(unused) + (unused.size() > 1 ? " have" : " has") +
               " no meaning.";
    }
    if (options.tagged) {
        return std::string("A tagged PDF needs the structure-keeping route; printed pages carry "
                           "no tags, so the PDFs of this batch are not tagged.");
    }
    return std::nullopt;
}

} // namespace zarta
