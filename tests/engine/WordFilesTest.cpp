#include "engine/WordFiles.h"

#include <gtest/gtest.h>

using namespace zarta;

namespace {

TEST(WordFiles, TakeTheirSetByTheFileNamesOwnExtension) {
    struct Case {
        const char* path;
        bool desktop;
        bool commandLine;
    };
    const Case cases[] = {
        {"/in/Report.docx", true, true},
        {"/in/REPORT.DOC", true, true},
        {"/in/Report.Final.Doc", true, true},
        {"/in/letter.dot", false, true},
        {"/in/notes.txt", false, false},
        {"/in/README", false, false},
        {"/in/.doc", false, false},
        {"/in/archive.doc/readme", false, false},
        {"/in/report.docx.pdf", false, false},
        {"/in/report.doc ", false, false},
        {"relative.docx", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WordFiles::isWordFile(c.path, WordFiles::desktopExtensions), c.desktop) << c.path;
        EXPECT_EQ(WordFiles::isWordFile(c.path, WordFiles::commandLineExtensions), c.commandLine)
            << c.path;
    }
}

TEST(WordFiles, ExtensionIsLoweredTheSameUnderEveryLocale) {
    EXPECT_EQ(WordFiles::extension("/a.b/FILE.DOCX"), "docx");
    EXPECT_EQ(WordFiles::extension("/a.b/file"), "");
    // Only A to Z are lowered: a dotted capital I stays as it is.
    EXPECT_EQ(WordFiles::extension("/x/file.DOİ"), "doİ");
}

} // namespace

TEST(WordFiles, TheAddinTakesOnlyExactExtensionsOfTheWholePath) {
    const struct {
        const char* path;
        bool converted;
    } cases[] = {
        {"/docs/Report.docx", true},  {"/docs/Report.doc", true},
        {"/docs/Letter.dot", true},   {"/docs/REPORT.DOC", false},
        {"/docs/Report.docm", false}, {"/docs/Report.Docx", false},
        {"Document1", false},         {"", false},
        {"/docs.doc/Report", false},  {"/a.b/c.doc", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WordFiles::hasExactExtension(c.path, WordFiles::addinExtensions), c.converted)
            << c.path;
    }
}
