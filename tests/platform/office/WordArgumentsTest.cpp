#include "WordArguments.h"

#include "WordCalls.h"
#include "WordError.h"

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

struct OpenRefusal {
    std::size_t index;
    WordVariant value;
    const char* argumentName;
};

class OpenRefusalTest : public testing::TestWithParam<OpenRefusal> {};

TEST_P(OpenRefusalTest, RefusesWhatTheOfficeCannotHonour) {
    auto arguments = openArguments("/docs/a.doc", WordVariant::Text("x"));
    arguments[GetParam().index] = GetParam().value;
    try {
        WordArguments::open(arguments);
        FAIL() << "accepted " << GetParam().value.describe();
    } catch (const WordError& error) {
        EXPECT_EQ(error.kind(), WordError::Kind::CallFailed);
        EXPECT_NE(std::string(error.what()).find(GetParam().argumentName), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Open, OpenRefusalTest,
                         testing::Values(OpenRefusal{0, WordVariant::Missing(), "FileName"},
                                         OpenRefusal{0, WordVariant::Text(""), "FileName"},
                                         OpenRefusal{0, WordVariant::Int(3), "FileName"},
                                         OpenRefusal{1, WordVariant::True(), "ConfirmConversions"},
                                         OpenRefusal{2, WordVariant::Text("yes"), "ReadOnly"},
                                         OpenRefusal{4, WordVariant::Int(1), "PasswordDocument"},
                                         OpenRefusal{5, WordVariant::Text("secret"),
                                                     "PasswordTemplate"},
                                         OpenRefusal{9, WordVariant::Int(4), "Format"},
                                         OpenRefusal{10, WordVariant::Int(65001), "Encoding"}));

struct PrintRefusal {
    std::size_t index;
    WordVariant value;
    const char* argumentName;
};

class PrintRefusalTest : public testing::TestWithParam<PrintRefusal> {};

TEST_P(PrintRefusalTest, RefusesWhatTheOfficeCannotHonour) {
    auto arguments = printArguments("/work/tmp.ps");
    arguments[GetParam().index] = GetParam().value;
    try {
        WordArguments::printOut(arguments);
        FAIL() << "accepted " << GetParam().value.describe();
    } catch (const WordError& error) {
        EXPECT_EQ(error.kind(), WordError::Kind::CallFailed);
        EXPECT_NE(std::string(error.what()).find(GetParam().argumentName), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(PrintOut, PrintRefusalTest,
                         testing::Values(PrintRefusal{1, WordVariant::True(), "Append"},
                                         PrintRefusal{2, WordVariant::Int(3), "Range"},
                                         PrintRefusal{3, WordVariant::Missing(), "OutputFileName"},
                                         PrintRefusal{3, WordVariant::Text(""), "OutputFileName"},
                                         PrintRefusal{4, WordVariant::Text("2"), "From"},
                                         PrintRefusal{7, WordVariant::Int(2), "Copies"},
                                         PrintRefusal{8, WordVariant::Text("1-3"), "Pages"},
                                         PrintRefusal{9, WordVariant::Int(1), "PageType"},
                                         PrintRefusal{10, WordVariant::False(), "PrintToFile"},
                                         PrintRefusal{10, WordVariant::Missing(), "PrintToFile"},
                                         PrintRefusal{13, WordVariant::True(), "ManualDuplexPrint"},
                                         PrintRefusal{14, WordVariant::Int(2), "PrintZoomColumn"},
                                         PrintRefusal{17, WordVariant::Int(100),
                                                      "PrintZoomPaperHeight"}));

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
