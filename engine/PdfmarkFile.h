#pragma once

#include "engine/JpegQuality.h"

#include <string>
#include <string_view>

namespace zarta {

struct ConversionOptions;

// The PostScript that carries the document information and the distiller parameters of one
// conversion into Ghostscript.
//
// It has two parts, read at different times of the run:
// - docInfoText(): the DOCINFO pdfmark with Title, Author, Subject and Keywords. Read after the
//   document, so that it overrides the title and author the print file brings along.
// - distillerParamsText(): the page and image compression settings (setdistillerparams). Read
//   before the document; read after it they would change nothing, as the pages and images are
//   already written by then.
//
// Every document-information value is written as a proper PostScript string: plain ASCII as a
// literal string with "\", "(", ")" and control characters escaped; anything else as a
// UTF-16BE hex string with byte-order mark, which the PDF keeps as a Unicode text string. So a
// value never breaks the file out of its string and reaches the PDF exactly as typed.
//
// "LZW" document compression writes "/UseFlateCompression false", but current Ghostscript
// ignores that parameter and always compresses pages with Flate.
// The choice and its parameter text are kept; it is not an error.
//
// A plain value type built from the options; the texts are the exact bytes of the files (line
// feeds single, no byte-order mark, nothing after the last character).
class PdfmarkFile {
public:
    explicit PdfmarkFile(const ConversionOptions& options);

    // The DOCINFO pdfmark; empty when title, author, subject and keywords are all empty.
    const std::string& docInfoText() const { return docInfo_; }
    // The distiller parameters, from the four leading line feeds to "setdistillerparams".
    const std::string& distillerParamsText() const { return distillerParams_; }

    // The JPEG quality dictionary of a quality, e.g. for Medium
    // "<</QFactor 0.55 /HSamples [2 1 1 2] /VSamples [2 1 1 2] /Blend 1 /ColorTransform 1 >>".
    static std::string imageDictionary(JpegQuality jpegQuality);

    // A UTF-8 value as a PostScript string, "(...)" or "<FEFF...>" as described above.
    // Malformed UTF-8 sequences become U+FFFD.
    static std::string postScriptString(std::string_view utf8);

private:
    std::string docInfo_;
    std::string distillerParams_;
};

} // namespace zarta
