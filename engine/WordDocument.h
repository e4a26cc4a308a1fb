#pragma once

#include "engine/FixedFormatExport.h"
#include "engine/WordVariant.h"

#include <array>
#include <string>

namespace zarta {

// An opened document of a Word automation session (Word's Document object).
// Owned by the caller of WordDocuments::Open; used and destroyed on the thread that opened it,
// before its WordApplication is destroyed. Every member may throw WordError.
class WordDocument {
public:
    virtual ~WordDocument() = default;

    // PrintOut (DISPID 444), eighteen positional arguments: Background, Append, Range,
    // OutputFileName, From, To, Item, Copies, Pages, PageType, PrintToFile, Collate,
    // ActivePrinterMacGX, ManualDuplexPrint, PrintZoomColumn, PrintZoomRow, PrintZoomPaperWidth,
    // PrintZoomPaperHeight. With PrintToFile true, writes the active printer's output for the
    // whole document into OutputFileName, replacing its content. With Background true it may
    // return before the job is done (see WordApplication::getBackgroundPrintingStatus).
    virtual void PrintOut(std::array<WordVariant, 18>& arguments) = 0;

    // BuiltInDocumentProperties(name).Value, property put: sets one of the document's own
    // properties ("Title", "Subject", "Author", "Keywords") for this session; nothing is saved.
    virtual void putBuiltInDocumentProperty(const std::string& name, const std::string& value) = 0;

    // ExportAsFixedFormat with the PDF format: writes the whole document as a PDF into
    // settings.outputFile, replacing its content, with its links, and as asked its properties,
    // bookmarks, tags, version and picture compression. Returns when the file is complete.
    virtual void ExportAsFixedFormat(const FixedFormatExport& settings) = 0;

    // Close (DISPID 1105): SaveChanges, OriginalFormat, RouteDocument. With three False
    // arguments the document is closed without saving.
    virtual void Close(std::array<WordVariant, 3>& arguments) = 0;
};

} // namespace zarta
