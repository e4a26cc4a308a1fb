#include "platform/office/WordArguments.h"

#include "engine/WordError.h"
#include "tests/support/WordCalls.h"

#include <gtest/gtest.h>

using zarta::WordArguments;
using zarta::WordError;
using zarta::WordVariant;
using namespace zarta::test;

TEST(WordArgumentsTest, MapsTheConversionsOpenCall) {
    auto request = WordArguments::open(openArguments("/docs/a.doc", WordVariant::Text("pw")));
    EXPECT_EQ(request.fileName, "/docs/a.doc");
    EXPECT_TRUE(request.readOnly);
    EXPECT_EQ(request.password, "pw");
    EXPECT_EQ(request.addToRecentFiles, false);

    auto missingPassword = openArguments("/docs/a.doc", WordVariant::Missing());
    EXPECT_FALSE(WordArguments::open(missingPassword).password.has_value());
}

TEST(WordArgumentsTest, MapsTheConversionsPrintOutCall) {
    auto request = WordArguments::printOut(printArguments("/work/tmp.ps"));
    EXPECT_EQ(request.outputFileName, "/work/tmp.ps");
    EXPECT_TRUE(request.background);
}

TEST(WordArgumentsTest, AcceptsDoNotSaveForCloseAndQuit) {
    EXPECT_NO_THROW(WordArguments::closeOrQuit(noSave(), "Close"));
    std::array<WordVariant, 3> missing{WordVariant::Missing(), WordVariant::Missing(),
                                       WordVariant::Missing()};
    EXPECT_NO_THROW(WordArguments::closeOrQuit(missing, "Quit"));
}

// One argument of the conversion's Open or PrintOut call changed to a value the office cannot
// honour.
struct Refusal {
    bool print; // PrintOut, else Open
    std::size_t index;
    WordVariant value;
    const char* argumentName;
};

class RefusalTest : public testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, RefusesWhatTheOfficeCannotHonourNamingTheArgument) {
    const Refusal& refusal = GetParam();
    try {
        if (refusal.print) {
            auto arguments = printArguments("/work/tmp.ps");
            arguments[refusal.index] = refusal.value;
            WordArguments::printOut(arguments);
        } else {
            auto arguments = openArguments("/docs/a.doc", WordVariant::Text("x"));
            arguments[refusal.index] = refusal.value;
            WordArguments::open(arguments);
        }
        FAIL() << "accepted " << refusal.value.describe();
    } catch (const WordError& error) {
        EXPECT_EQ(error.kind(), WordError::Kind::CallFailed);
        EXPECT_NE(std::string(error.what()).find(refusal.argumentName), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, RefusalTest,
                         testing::Values(Refusal{false, 0, WordVariant::Text(""), "FileName"},
                                         Refusal{false, 1, WordVariant::True(),
                                                 "ConfirmConversions"},
                                         Refusal{false, 2, WordVariant::Text("yes"), "ReadOnly"},
                                         Refusal{false, 4, WordVariant::Int(1), "PasswordDocument"},
                                         Refusal{false, 9, WordVariant::Int(4), "Format"},
                                         Refusal{false, 10, WordVariant::Int(65001), "Encoding"},
                                         Refusal{true, 1, WordVariant::True(), "Append"},
                                         Refusal{true, 2, WordVariant::Int(3), "Range"},
                                         Refusal{true, 3, WordVariant::Missing(), "OutputFileName"},
                                         Refusal{true, 7, WordVariant::Int(2), "Copies"},
                                         Refusal{true, 10, WordVariant::False(), "PrintToFile"},
                                         Refusal{true, 10, WordVariant::Missing(), "PrintToFile"}));

TEST(WordArgumentsTest, RefusesSavingOrRoutingOnCloseAndQuit) {
    for (const auto& [index, value] : {std::pair{std::size_t{0}, WordVariant::True()},
                                       std::pair{std::size_t{0}, WordVariant::Int(-2)},
                                       std::pair{std::size_t{2}, WordVariant::True()}}) {
        auto arguments = noSave();
        arguments[index] = value;
        EXPECT_THROW(WordArguments::closeOrQuit(arguments, "Close"), WordError)
            << index << " " << value.describe();
    }
}
