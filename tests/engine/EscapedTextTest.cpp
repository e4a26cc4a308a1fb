#include "engine/EscapedText.h"

#include <gtest/gtest.h>

using namespace zarta;

TEST(EscapedText, ControlCharactersAndStrayBytesOfNamesAreShownEscaped) {
    struct Case {
        const char* what;
        std::string name;
        std::string shown;
    };
    const Case cases[] = {
        {"plain", "Report 2024.docx", "Report 2024.docx"},
        {"accents and CJK", "Bericht über 報告.docx", "Bericht über 報告.docx"},
        {"fake lines", "a.docx\nwrote /x/a.pdf\r\nComplete!\n",
         "a.docx\\nwrote /x/a.pdf\\r\\nComplete!\\n"},
        {"terminal colour", "\x1b[31mred\x1b[0m.docx", "\\033[31mred\\033[0m.docx"},
        {"other C0 and DEL", "t\tb\bv\vf\fa\a\x01\x7f.doc", "t\\tb\\bv\\vf\\fa\\a\\001\\177.doc"},
        {"C1 control (CSI)",
         "x\xC2\x9B"
         "31m.doc",
         "x\\302\\23331m.doc"},
        {"no-break space is printable",
         "a\xC2\xA0"
         "b.doc",
         "a\xC2\xA0"
         "b.doc"},
        {"Latin-1 byte", "caf\xE9.docx", "caf\\351.docx"},
        {"cut-off sequence", "\xE2\x82", "\\342\\202"},
        {"overlong slash", "\xC0\xAF", "\\300\\257"},
        {"surrogate", "\xED\xA0\x80", "\\355\\240\\200"},
        {"backslash stands for itself", "a\\nb.doc", "a\\\\nb.doc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapedText::forTerminal(c.name), c.shown) << c.what;
    }
}
