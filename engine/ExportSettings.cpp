#include "engine/ExportSettings.h"

#include "engine/ConversionOptions.h"
#include "engine/OptionTable.h"

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
    settings.structureTags = options.tagged;
    settings.pdfMinorVersion = options.pdfVersion == PdfVersion::V1_6 ? 6 : 5;
    settings.losslessImages = options.imagesCompression == ImageCompression::Flate;
    settings.jpegQuality = jpegPercent(options.jpegQuality);
    return settings;
}

std::optional<std::string> ExportSettings::unusedSettings(const ConversionOptions& options) {
    if (!options.keepsStructure()) {
        return std::nullopt;
    }
    std::vector<std::string> unused;
    if (options.documentCompression == DocumentCompression::Lzw) {
        unused.emplace_back("LZW document compression (pages are compressed with Flate)");
    }
    if (options.pdfVersion == PdfVersion::V1_3 || options.pdfVersion == PdfVersion::V1_4) {
        unused.emplace_back(
            "PDF Version " +
            std::string(OptionTable::choiceFor(OptionTable::pdfVersion, options.pdfVersion).text) +
            " (the PDFs are written as version 1.5)");
    }
    if (unused.empty()) {
        return std::nullopt;
    }
    return "When links, bookmarks and structure are kept, " + joined(unused) +
           (unused.size() > 1 ? " have" : " has") + " no meaning for this batch.";
}

} // namespace zarta
