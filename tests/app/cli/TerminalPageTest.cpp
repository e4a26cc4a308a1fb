#include "app/cli/TerminalPage.h"

#include "app/cli/JsonReport.h"
#include "app/cli/TerminalPrompts.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace zarta;

namespace {

std::string written(std::FILE* out) {
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        text.push_back(static_cast<char>(c));
    }
    return text;
}

// A batch of three files, as the worker tells it to the page: converted, kept, failed (with the
// failure's message through the prompts).
void runBatch(TerminalPage& page, TerminalPrompts& prompts) {
    const FileReport::Result results[] = {FileReport::Result::Converted, FileReport::Result::Kept,
                                          FileReport::Result::Failed};
    BatchSummary summary;
    summary.files = 3;
    for (int i = 0; i < 3; ++i) {
        FileReport report;
        report.index = i;
        report.count = page.fileCount();
        report.sourcePath = page.fileAt(i);
        report.outputPath = "/out/" + std::to_string(i) + ".pdf";
        report.result = results[i];
        page.fileStarting(i, report.count, report.sourcePath);
        if (report.result == FileReport::Result::Failed) {
            report.message = "Couldn't open \"" + report.sourcePath + "\": the file is damaged";
            prompts.showMessage(report.message);
        }
        page.fileReported(report);
    }
    summary.converted = summary.kept = summary.failed = 1;
    page.batchFinished(summary);
}

TEST(TerminalPage, QuietShowsOnlyWhatWentWrongAndTheReportHasEveryFile) {
    struct Case {
        const char* name;
        bool quiet;
        std::string shown;
    };
    const Case cases[] = {
        {"quiet", true, "zarta-convert: Couldn't open \"/in/c.doc\": the file is damaged\n"},
        {"plain lines", false,
         "converting /in/a.doc\nwrote /out/0.pdf\nconverting /in/b.doc\nkept the existing "
         "/out/1.pdf\nconverting /in/c.doc\nzarta-convert: Couldn't open \"/in/c.doc\": the file "
         "is damaged\n1 of 3 files converted, 1 kept (their PDF existed), 1 failed\nComplete!\n"},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
        TempDir dir;
        JsonReport report(dir.file("report.json"), nullptr);
        TerminalPage page(std::vector<std::string>{"/in/a.doc", "/in/b.doc", "/in/c.doc"}, "/out",
                          CommandLine::Overwrite::Never, out.get());
        page.setQuiet(c.quiet);
        page.setReport(&report);
        TerminalPrompts prompts(page, std::nullopt);
        runBatch(page, prompts);
        EXPECT_EQ(written(out.get()), c.shown) << c.name;
        const std::string lines = TempDir::read(dir.file("report.json"));
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << c.name;
        for (const char* outcome : {"converted", "kept", "failed"}) {
            EXPECT_NE(lines.find(std::string("\"outcome\":\"") + outcome + "\""), std::string::npos)
                << c.name << " " << outcome;
        }
        EXPECT_EQ(page.converted(), 1) << c.name;
    }
}

} // namespace
