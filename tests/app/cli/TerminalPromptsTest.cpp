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
    TerminalPage page({"/a/report.doc", "/b/report.doc"}, "/out/", CommandLine::Overwrite::Always,
                      out.get());
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

} // namespace
