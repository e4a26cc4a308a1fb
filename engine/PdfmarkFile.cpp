#include "engine/PdfmarkFile.h"

#include "engine/ConversionOptions.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace zarta {

namespace {

struct ImageQuality {
    std::string_view qFactor;
    std::string_view samples;
};

ImageQuality imageQuality(JpegQuality quality) {
    switch (quality) {
    case JpegQuality::Minimum:
        return {"1.5", "[2 1 1 2]"};
    case JpegQuality::Low:
        return {"0.8", "[2 1 1 2]"};
    case JpegQuality::Medium:
        return {"0.55", "[2 1 1 2]"};
    case JpegQuality::Maximum:
        return {"0.1", "[1 1 1 1]"};
    }
    throw std::invalid_argument("unknown JPEG quality");
}

constexpr std::string_view jpegSettings = "/AutoFilterColorImages false\n"
                                          "/AutoFilterGrayImages false\n"
                                          "/EncodeColorImages true\n"
                                          "/EncodeGrayImages true\n"
                                          "/ColorImageFilter /DCTEncode\n"
                                          "/GrayImageFilter /DCTEncode";
constexpr std::string_view flateSettings = "/AutoFilterColorImages false\n"
                                           "/AutoFilterGrayImages false\n"
                                           "/EncodeColorImages true\n"
                                           "/EncodeGrayImages true\n"
                                           "/EncodeMonoImages true\n"
                                           "/ColorImageFilter /FlateEncode\n"
                                           "/GrayImageFilter /FlateEncode\n"
                                           "/MonoImageFilter /FlateEncode";
constexpr std::string_view automaticSettings = "/AutoFilterColorImages true\n"
                                               "/AutoFilterGrayImages true\n"
                                               "/EncodeColorImages true\n"
                                               "/EncodeGrayImages true\n"
                                               "/ColorImageFilter /DCTEncode\n"
                                               "/GrayImageFilter /DCTEncode";

// Printable ASCII and the three white-space controls a PDF byte string shows as they are.
bool isPlainText(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 || byte > 0x7E) && c != '\t' && c != '\n' && c != '\r') {
            return false;
        }
    }
    return true;
}

std::string literalString(std::string_view text) {
    std::string result = "(";
    for (const char c : text) {
        switch (c) {
        case '\\':
        case '(':
        case ')':
            result += '\\';
            result += c;
            break;
        // Escaped so that the PostScript scanner keeps them as typed instead of folding an
        // end of line into a single line feed.
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\t':
            result += "\\t";
            break;
        default:
            result += c;
        }
    }
    return result + ")";
}

// Decodes one code point at text[pos], advancing pos; U+FFFD for a malformed sequence.
char32_t nextCodePoint(std::string_view text, std::size_t& pos) {
    constexpr char32_t replacement = 0xFFFD;
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 1;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return replacement;
    }
    for (int i = 0; i < length; ++i) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) {
            return replacement;
        }
        value = (value << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return replacement;
    }
    return value;
}

void appendHex16(std::string& out, std::uint32_t unit) {
    char buffer[5];
    std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(unit));
    out += buffer;
}

std::string utf16HexString(std::string_view utf8) {
    std::string result = "<FEFF";
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = nextCodePoint(utf8, pos);
        if (c >= 0x10000) {
            const std::uint32_t v = c - 0x10000;
            appendHex16(result, 0xD800 + (v >> 10));
            appendHex16(result, 0xDC00 + (v & 0x3FF));
        } else {
            appendHex16(result, c);
        }
    }
    return result + ">";
}

std::string imageSettings(const ConversionOptions& options) {
    const std::string dictionary = PdfmarkFile::imageDictionary(options.jpegQuality);
    const std::string plainDicts =
        "\n/ColorImageDict \n" + dictionary + "\n/GrayImageDict \n" + dictionary;
    switch (options.imagesCompression) {
    case ImageCompression::Jpeg:
        return std::string(jpegSettings) + plainDicts;
    case ImageCompression::Flate:
        return std::string(flateSettings) + plainDicts;
    case ImageCompression::Automatic:
        return std::string(automaticSettings) + "\n/ColorACSImageDict \n" + dictionary +
               "\n/GrayACSImageDict \n" + dictionary;
    }
    throw std::invalid_argument("unknown image compression");
}

} // namespace

PdfmarkFile::PdfmarkFile(const ConversionOptions& options) {
    if (options.hasDocumentInfo()) {
        docInfo_ = "[";
        if (!options.title.empty()) {
            docInfo_ += " /Title " + postScriptString(options.title) + " \n";
        }
        if (!options.author.empty()) {
            docInfo_ += " /Author " + postScriptString(options.author) + "\n";
        }
        if (!options.subject.empty()) {
            docInfo_ += " /Subject " + postScriptString(options.subject) + "\n";
        }
        if (!options.keywords.empty()) {
            docInfo_ += " /Keywords " + postScriptString(options.keywords) + "\n";
        }
        docInfo_ += "/DOCINFO pdfmark";
    }

    distillerParams_ = "\n\n\n\n<<\n";
    switch (options.documentCompression) {
    case DocumentCompression::Flate:
        distillerParams_ += "/CompressPages true\n/UseFlateCompression true\n";
        break;
    case DocumentCompression::Lzw:
        distillerParams_ += "/CompressPages true\n/UseFlateCompression false\n";
        break;
    }
    distillerParams_ += imageSettings(options);
    distillerParams_ += "\n>> setdistillerparams";
}

std::string PdfmarkFile::imageDictionary(JpegQuality jpegQuality) {
    const ImageQuality chosen = imageQuality(jpegQuality);
    return "<</QFactor " + std::string(chosen.qFactor) + " /HSamples " +
           std::string(chosen.samples) + " /VSamples " + std::string(chosen.samples) +
           " /Blend 1 /ColorTransform 1 >>";
}

std::string PdfmarkFile::postScriptString(std::string_view utf8) {
    return isPlainText(utf8) ? literalString(utf8) : utf16HexString(utf8);
}

} // namespace zarta
