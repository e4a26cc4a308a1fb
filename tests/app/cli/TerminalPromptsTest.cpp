#include "app/cli/TerminalPrompts.h"

#include "app/cli/TerminalPage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace zarta;

namespace {

// The password file is offered once to each document of the batch; a second question about the
// same document means the password was wrong, and the document is skipped.
TEST(PasswordFile, IsOfferedOnceToEachDocumentEvenWhenNamesRepeat) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    TerminalPage page({"/a/report.doc", "/b/report.doc", "/b/report.doc", "/c/other.doc"}, "/out/",
                      CommandLine::Overwrite::Always, out.get());
    TerminalPrompts prompts(page, std::string("secret"));

    struct Step {
        int file;     // -1: no new file, the same document is asked about again
        bool offered; // whether the password file's password is the answer
    };
    const Step steps[] = {{0, true}, {1, true}, {-1, false}, {2, true}, {3, true}, {-1, false}};
    for (const Step& step : steps) {
        if (step.file >= 0) {
            page.fileAt(step.file);
        }
        const auto answer = prompts.askPassword("report.doc");
        EXPECT_EQ(answer.has_value(), step.offered) << "file " << page.currentIndex();
        if (step.offered) {
            EXPECT_EQ(*answer, "secret");
        }
    }
    EXPECT_EQ(prompts.messagesShown(), 2);
}

} // namespace
