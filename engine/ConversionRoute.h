#pragma once

namespace zarta {

// How a document becomes its PDF.
enum class ConversionRoute {
    // The word processor prints the document and Ghostscript turns the print into the PDF with
    // the chosen options: pages only, exactly as printed on paper.
    Print,
    // The word processor's own PDF export writes the PDF, which keeps what printing cannot:
    // links, bookmarks from the headings, the document's own properties, structure tags; the
    // options are applied to it afterwards without losing them.
    KeepStructure,
};

} // namespace zarta
