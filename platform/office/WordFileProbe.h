#pragma once

#include <string>

namespace zarta {

// Tells from a file's content whether it is a Word document, and in which of the formats the
// office reads with an explicit import filter:
// - a compound (OLE2) file with a WordDocument stream: Word 97-2003 (.doc, .dot), or Word 6.0 or
//   Word 95 as the Word stream's own version information says;
// - a Word for Windows 2.0 file (no container: its file information block comes first);
// - a ZIP package with a word/ part: Office Open XML (.docx, .dotx, .docm);
// - a compound file holding an encrypted package: a password-protected Office Open XML file
//   (told apart, since the office may not know the package's encryption);
// - rich text, a web page or Word 2003 XML, only under a .doc or .dot name (Word opens those
//   without a question; under any other name such text is not taken for a document).
// Anything else is refused with the reason, before the office sees it, so that the office never
// has to guess (and never hangs on a pipe or a device that merely carries a Word name).
//
// Stateless; thread-safe. Reads only the file's structural headers, not the whole file.
class WordFileProbe {
public:
    enum class Format {
        Word97,
        Word95,
        Word6,
        Word2,
        OfficeOpenXml,
        EncryptedOfficeOpenXml,
        RichText,
        Html,
        Word2003Xml
    };

    // Throws WordError with Kind::CannotOpen and a detail naming the reason (missing, not a
    // regular file, unreadable, empty, damaged, not a Word document).
    static Format probe(const std::string& path);

    // The office's import filter for a format ("MS Word 97", "MS Word 2007 XML", ...).
    static const char* filterName(Format format);
};

} // namespace zarta
