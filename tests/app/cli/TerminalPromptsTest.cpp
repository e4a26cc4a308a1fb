#include "app/cli/TerminalPrompts.h"

#include "app/cli/TerminalPage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace zarta;

namespace {

// The password file is offered once to each document of the batch; a second question about the
// same document means the password was wrong, and the document is skipped. Documents of one
// name are told apart by the question, not by their name.
TEST(PasswordFile, IsOfferedOnceToEachDocumentEvenWhenNamesRepeat) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    TerminalPage page(std::vector<std::string>{"/a/report.doc", "/b/report.doc"}, "/out/",
                      CommandLine::Overwrite::Always, out.get());
    TerminalPrompts prompts(page, std::string("secret"));

    struct Step {
        bool again;   // asked again about the same document
        bool offered; // whether the password file's password is the answer
    };
    const Step steps[] = {{false, true}, {false, true}, {true, false},
                          {false, true}, {true, false}, {false, true}};
    for (const Step& step : steps) {
        const auto answer = prompts.askPassword("report.doc", step.again);
        EXPECT_EQ(answer.has_value(), step.offered) << "again " << step.again;
        if (step.offered) {
            EXPECT_EQ(*answer, "secret");
        }
    }
    EXPECT_EQ(prompts.messagesShown(), 2);
}

// A name with line breaks and escape sequences must not print lines that look like the
// program's own, nor reach the terminal as commands.
TEST(TerminalLines, ShowTheControlCharactersOfNamesEscaped) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    const std::string name = "/in/a.docx\nwrote /out/a.pdf\nComplete!\x1b[31m.docx";
    TerminalPage page(std::vector<std::string>{name}, "/out/", CommandLine::Overwrite::Never,
                      out.get());
    TerminalPrompts prompts(page, std::nullopt);
    prompts.showMessage("Couldn't open \"" + name + "\": the file is damaged");
    prompts.showMessage("Couldn't get Word object.\nThe word processor could not be started: "
                        "\"/p\nx\" is locked");
    FileReport kept;
    kept.outputPath = "/out/\r\x1b[2Ka.pdf";
    kept.result = FileReport::Result::Kept;
    page.fileReported(kept);

    std::rewind(out.get());
    std::string written;
    for (int c; (c = std::fgetc(out.get())) != EOF;) {
        written.push_back(static_cast<char>(c));
    }
    const std::string shown = "/in/a.docx\\nwrote /out/a.pdf\\nComplete!\\033[31m.docx";
    EXPECT_EQ(written, "zarta-convert: Couldn't open \"" + shown + "\": the file is damaged\n" +
                           "zarta-convert: Couldn't get Word object.\n" +
                           "The word processor could not be started: \"/p\\nx\" is locked\n" +
                           "kept the existing /out/\\r\\033[2Ka.pdf\n");
}

} // namespace
