#pragma once

#include <string>
#include <vector>

namespace zarta::test {

// Writes Word 2.0, Word 6.0 and Word 95 documents for the tests: the office can read these
// formats but no longer write them. A Word 6.0 or Word 95 document is a compound (OLE2) file
// holding one "WordDocument" stream; a Word for Windows 2.0 document is that stream alone, in the
// older format's layout. The stream holds the file information block, the text (one code unit
// per character, Windows Latin 1), one page of character and one of paragraph properties with
// their bin tables, a stylesheet with the "Normal" style, a font table, one section and the
// document properties. The paragraphs are plain: no formatting beyond the Normal style.
class LegacyWordDocument {
public:
    enum class Version { Word2, Word6, Word95 };

    // The file's bytes. Paragraphs are UTF-8 of characters up to U+00FF without control
    // characters, from 1 to 40 of them (their properties share one page), of up to some
    // 50,000 characters in all; std::invalid_argument otherwise.
    static std::string bytes(Version version, const std::vector<std::string>& paragraphs);

    // Writes bytes(version, paragraphs) to path; std::runtime_error when it cannot.
    static void write(const std::string& path, Version version,
                      const std::vector<std::string>& paragraphs);
};

} // namespace zarta::test
