#pragma once

#include <string>

namespace zarta {

// What the word processor's own PDF export is asked for (as Word's ExportAsFixedFormat with
// the PDF format, the whole document and its content): the output file, the document's
// properties as the PDF's document information, bookmarks from the headings, structure tags,
// the PDF version or PDF/A part, and how pictures are compressed.
struct FixedFormatExport {
    std::string outputFile;
    bool documentProperties = true; // IncludeDocProps
    bool headingBookmarks = true;   // CreateBookmarks: wdExportCreateHeadingBookmarks
    bool structureTags = false;     // DocStructureTags
    // 0: no PDF/A; 1, 2 or 3: PDF/A-1b, PDF/A-2b or PDF/A-3b (UseISO19005_1 takes part 1 only).
    int pdfAPart = 0;
    // The PDF version without PDF/A: 5 for 1.5, 6 for 1.6.
    int pdfMinorVersion = 6;
    // Pictures kept lossless (Flate), or compressed as JPEG at jpegQuality (1 to 100).
    bool losslessImages = true;
    int jpegQuality = 90;

    bool operator==(const FixedFormatExport&) const = default;
};

} // namespace zarta
