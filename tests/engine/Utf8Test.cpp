#include "engine/Utf8.h"

#include <gtest/gtest.h>

using namespace zarta;

TEST(Utf8, TellsWellFormedTextFromStrayBytes) {
    struct Case {
        const char* what;
        std::string text;
        bool valid;
        std::string replaced;
    };
    const Case cases[] = {
        {"ASCII", "abc", true, "abc"},
        {"two to four bytes", "é€\xF0\x9F\x93\x84", true, "é€\xF0\x9F\x93\x84"},
        {"Latin-1", "caf\xE9", false, "caf\xEF\xBF\xBD"},
        {"stray continuation", "\x80x", false, "\xEF\xBF\xBDx"},
        {"overlong", "\xC1\xBF", false, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false,
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"cut off at the end", "a\xF0\x9F\x93", false, "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8::isValid(c.text), c.valid) << c.what;
        EXPECT_EQ(Utf8::withInvalidReplaced(c.text), c.replaced) << c.what;
    }
}
