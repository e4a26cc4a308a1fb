#include "engine/OutputNaming.h"

#include "engine/Messages.h"

#include <gtest/gtest.h>

using namespace zarta;

TEST(OutputNaming, PdfNameAndPath) {
    struct Case {
        const char* source;
        const char* folder;
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"/docs/Report.docx", "/out", "Report.pdf", "/out/Report.pdf"},
        {"/docs/Report.docx", "/out/", "Report.pdf", "/out/Report.pdf"},
        {"/docs/Report.final.docx", "/out/", "Report.final.pdf", "/out/Report.final.pdf"},
        {"/docs/REPORT.DOC", "/", "REPORT.pdf", "/REPORT.pdf"},
        {"/my.docs/notes", "/o", "notes.pdf", "/o/notes.pdf"},
        {"/docs/Q3 report (v2).doc", "/o", "Q3 report (v2).pdf", "/o/Q3 report (v2).pdf"},
        {"/docs/Ünïcödé 標題.docx", "/o", "Ünïcödé 標題.pdf", "/o/Ünïcödé 標題.pdf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OutputNaming::pdfName(c.source), c.name) << c.source;
        EXPECT_EQ(OutputNaming::pdfPath(c.folder, c.source), c.path) << c.source;
    }
}

TEST(OutputNaming, FileNameAndTrailingSeparator) {
    EXPECT_EQ(OutputNaming::fileName("/docs/Q3 report.doc"), "Q3 report.doc");
    EXPECT_EQ(OutputNaming::fileName("plain.doc"), "plain.doc");
    EXPECT_EQ(OutputNaming::withTrailingSeparator("/out"), "/out/");
    EXPECT_EQ(OutputNaming::withTrailingSeparator("/out/"), "/out/");
    EXPECT_EQ(OutputNaming::withTrailingSeparator("/"), "/");
}

TEST(Messages, FillReplacesTheFirstPlaceholderOnlyAndLiterally) {
    EXPECT_EQ(Messages::fill(Messages::replaceQuestion, "/o/a.pdf"),
              "/o/a.pdf already exists. Do you want to replace it?");
    EXPECT_EQ(Messages::fill(Messages::passwordPrompt, "100% %s.doc"),
              "The program has detected that File \"100% %s.doc\"  is password protected. Please "
              "enter the password for the conversion.");
    EXPECT_EQ(Messages::fill("no placeholder", "x"), "no placeholder");
}
