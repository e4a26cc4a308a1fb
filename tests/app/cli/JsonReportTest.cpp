#include "app/cli/JsonReport.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

using namespace zarta;

namespace {

struct QuoteCase {
    std::string text;
    std::string json;
};

TEST(JsonReport, QuotesNamesSoThatEveryLineIsOneValidObject) {
    const QuoteCase cases[] = {
        {"plain.docx", R"("plain.docx")"},
        {"say \"hi\".docx", R"("say \"hi\".docx")"},
        {"a\\b.doc", R"("a\\b.doc")"},
        {"two\nlines\r\t.doc", R"("two\u000alines\u000d\u0009.doc")"},
        {"esc\x1b[31m\x7f.doc", R"("esc\u001b[31m\u007f.doc")"},
        {"Übersicht 報告.docx", "\"Übersicht 報告.docx\""},
        {"bad\xff\xfe.doc", "\"bad\xef\xbf\xbd\xef\xbf\xbd.doc\""},
        {"cut\xe2\x82.doc", "\"cut\xef\xbf\xbd\xef\xbf\xbd.doc\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonReport::quoted(c.text), c.json) << c.text;
    }
}

TEST(JsonReport, Base64) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {std::string("\xff\xfe\x00", 3), "//4A"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(JsonReport::base64(bytes), text) << text;
    }
}

// A name that is not UTF-8 gets its exact bytes in base64 beside the readable text; a name that
// is UTF-8 gets no such field.
TEST(JsonReport, NamesThatAreNotUtf8CarryTheirBytes) {
    const std::string name = std::string("/in/a\n\"\\\xff.docx", 14);
    JsonReport::Line line{name, std::string("/out/a\n\"\\\xff.pdf"), "converted", "", 812, 3};
    EXPECT_EQ(JsonReport::format(line),
              "{\"source\":\"/in/a\\u000a\\\"\\\\\xef\xbf\xbd.docx\",\"source_bytes\":\"" +
                  JsonReport::base64(name) +
                  "\",\"pdf\":\"/out/a\\u000a\\\"\\\\\xef\xbf\xbd.pdf\",\"pdf_bytes\":\"" +
                  JsonReport::base64("/out/a\n\"\\\xff.pdf") +
                  "\",\"outcome\":\"converted\",\"message\":\"\",\"milliseconds\":812,"
                  "\"pages\":3}\n");
    EXPECT_EQ(JsonReport::base64(name), "L2luL2EKIlz/LmRvY3g=");

    const JsonReport::Line refused{
        "/in/notes.txt", std::nullopt, "refused", "File format not support!", 0, std::nullopt};
    EXPECT_EQ(JsonReport::format(refused),
              "{\"source\":\"/in/notes.txt\",\"pdf\":null,\"outcome\":\"refused\","
              "\"message\":\"File format not support!\",\"milliseconds\":0,\"pages\":null}\n");
}

// Each file's line is in the file as soon as it is added; pages are counted for converted files
// only.
TEST(JsonReport, WritesEachLineAtOnceAndCountsPagesOfConvertedFiles) {
    TempDir dir;
    const std::string path = dir.file("report.json");
    std::vector<std::string> counted;
    JsonReport report(path, [&](const std::string& pdf) -> std::optional<int> {
        counted.push_back(pdf);
        return 4;
    });
    FileReport converted;
    converted.sourcePath = "/in/a.docx";
    converted.outputPath = "/out/a.pdf";
    converted.result = FileReport::Result::Converted;
    report.add(converted, 20);
    EXPECT_EQ(TempDir::read(path),
              "{\"source\":\"/in/a.docx\",\"pdf\":\"/out/a.pdf\",\"outcome\":\"converted\","
              "\"message\":\"\",\"milliseconds\":20,\"pages\":4}\n");

    const std::pair<FileReport::Result, std::string> outcomes[] = {
        {FileReport::Result::Kept, "kept"},
        {FileReport::Result::Failed, "failed"},
        {FileReport::Result::GaveUp, "skipped"},
        {FileReport::Result::NotReached, "not-started"},
    };
    for (const auto& [result, word] : outcomes) {
        FileReport other = converted;
        other.result = result;
        other.message = "why";
        report.add(other, 1);
        const std::string text = TempDir::read(path);
        EXPECT_NE(text.find("\"outcome\":\"" + word +
                            "\",\"message\":\"why\","
                            "\"milliseconds\":1,\"pages\":null}\n"),
                  std::string::npos)
            << word;
    }
    EXPECT_EQ(counted, std::vector<std::string>{"/out/a.pdf"});
}

TEST(JsonReport, SaysWhyItCannotBeCreated) {
    EXPECT_THROW(JsonReport("/nonexistent/folder/report.json", nullptr), std::runtime_error);
}

// "-" is standard output, which stays open for the program's other lines after the report ends.
TEST(JsonReport, ADashWritesToStandardOutputAndLeavesItOpen) {
    TempDir dir;
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int file = ::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    ::dup2(file, STDOUT_FILENO);
    ::close(file);
    JsonReport::Line line;
    line.source = "a.docx";
    line.outcome = "failed";
    {
        JsonReport report("-", nullptr);
        report.add(line);
    }
    const bool stillOpen = ::write(STDOUT_FILENO, "after\n", 6) == 6;
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(TempDir::read(dir.file("out")), JsonReport::format(line) + "after\n");
    EXPECT_FALSE(std::filesystem::exists("-"));
}

} // namespace
