#include "engine/WordToPdfConverter.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/PrintWatch.h"
#include "engine/WordStageError.h"
#include "tests/support/RecordingPrompts.h"
#include "tests/support/RecordingWord.h"
#include "tests/support/ScriptedPdfStage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

class FakeWatch : public PrintWatch {
public:
    explicit FakeWatch(RecordingWord& log) : log_(log) {}
    void start() override { log_.note("watch start"); }
    void stop() override { log_.note("watch stop"); }

private:
    RecordingWord& log_;
};

const std::string placeholder = WordToPdfConverter::placeholderPassword;

std::string openCall(const std::string& path, const std::string& password) {
    return "Open(TEXT \"" + path + "\", I2 0, I2 -1, I2 0, TEXT \"" + password +
           "\", MISSING, I2 0, MISSING, MISSING, I4 0, MISSING, I2 -1)";
}

std::string printOutCall(const std::string& printFile) {
    return "PrintOut(I2 -1, MISSING, I4 0, TEXT \"" + printFile +
           "\", MISSING, MISSING, I4 0, I4 1, MISSING, I4 0, I2 -1, I2 -1, MISSING, I2 0, I4 0, "
           "I4 0, I4 0, I4 0)";
}

const std::string closeCall = "Close(I2 0, I2 0, I2 0)";
const std::string quitCall = "Quit(I2 0, I2 0, I2 0)";
const std::vector<std::string> sessionStart{"create Word.Application", "Visible BOOL false",
                                            "ActivePrinter TEXT \"ZartaWordToPDF\"", "Documents"};

class WordToPdfConverterTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingWord word;
    ScriptedPdfStage pdf;
    FakeWatch watch{word};
    RecordingPrompts prompts;
    BatchControl control;
    WordToPdfConverter converter{word, pdf, prompts, watch, dir.file("data")};

    void SetUp() override {
        converter.setPrintPollInterval(std::chrono::milliseconds(1));
        pdf.pdfText = [](const PdfStage::Job&) { return "%PDF-1.3"; };
        pdf.before = [this](const PdfStage::Job&, BatchControl&) { word.note("pdf stage"); };
        prompts.noteAgain = true;
    }

    FileOutcome convert(const std::string& source) {
        return converter.convert(source, dir.file("out.pdf"), ConversionOptions{}, control);
    }

    // The print file of the n-th PDF stage run.
    std::string printFile(size_t n = 0) const { return pdf.jobs.at(n).printFile; }

    std::vector<std::string> successfulSession(const std::string& path, const std::string& password,
                                               const std::string& printFile) const {
        auto calls = sessionStart;
        for (const auto& call :
             {openCall(path, password), std::string("watch start"), printOutCall(printFile),
              std::string("BackgroundPrintingStatus 0"), std::string("watch stop"), closeCall,
              quitCall, std::string("pdf stage")}) {
            calls.push_back(call);
        }
        return calls;
    }

    std::vector<std::string> refusedSession(const std::string& path,
                                            const std::string& password) const {
        auto calls = sessionStart;
        calls.push_back(openCall(path, password));
        calls.push_back(quitCall);
        return calls;
    }
};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

} // namespace

TEST_F(WordToPdfConverterTest, PlainDocumentMakesTheCallsInOrderWithTheirArguments) {
    EXPECT_EQ(convert("/in/a.doc"), FileOutcome::Converted);
    EXPECT_EQ(word.calls(), successfulSession("/in/a.doc", placeholder, printFile()));
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(word.liveSessions(), 0);

    // The print job lands in a private work folder inside the data folder, which is gone
    // afterwards; the PDF stage got what the word processor printed.
    const fs::path job = printFile();
    EXPECT_EQ(job.filename(), "tmp.ps");
    EXPECT_EQ(job.parent_path().parent_path(), fs::path(dir.file("data")));
    EXPECT_FALSE(fs::exists(job.parent_path()));
    EXPECT_EQ(pdf.printFileContent, "print job");
    EXPECT_EQ(pdf.jobs[0].outputPath, dir.file("out.pdf"));
    EXPECT_EQ(pdf.jobs[0].sourcePath, "/in/a.doc");
}

TEST_F(WordToPdfConverterTest, WithoutPasswordPromptsNoneIsPassedAndAProtectedFileIsAnError) {
    converter.setAskForPasswords(false);
    word.protectedDocuments["/in/secret.doc"] = "pw";
    prompts.passwords = {"pw"};
    try {
        convert("/in/secret.doc");
        FAIL() << "a protected document cannot be converted without its password";
    } catch (const WordStageError& error) {
        EXPECT_STREQ(error.what(),
                     "Couldn't open \"/in/secret.doc\": the document is protected by a password.");
    }
    EXPECT_TRUE(prompts.asked.empty());
    auto refused = sessionStart;
    refused.push_back("Open(TEXT \"/in/secret.doc\", I2 0, I2 -1, I2 0, MISSING, MISSING, I2 0, "
                      "MISSING, MISSING, I4 0, MISSING, I2 -1)");
    refused.push_back(quitCall);
    EXPECT_EQ(word.calls(), refused);
    EXPECT_EQ(word.liveSessions(), 0);
}

TEST_F(WordToPdfConverterTest, RightPasswordAtTheFirstPromptUsesTwoSessions) {
    word.protectedDocuments["/in/secret.doc"] = "pw";
    prompts.passwords = {"pw"};
    EXPECT_EQ(convert("/in/secret.doc"), FileOutcome::Converted);
    EXPECT_EQ(prompts.asked, (std::vector<std::string>{"secret.doc"}));
    EXPECT_EQ(word.calls(), join({refusedSession("/in/secret.doc", placeholder),
                                  successfulSession("/in/secret.doc", "pw", printFile())}));
    EXPECT_EQ(converter.documentPassword(), placeholder);

    // The next file is opened with the placeholder again.
    convert("/in/next.doc");
    const auto calls = word.calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), openCall("/in/next.doc", placeholder)),
              calls.end());
}

TEST_F(WordToPdfConverterTest, WrongPasswordPromptsAgainUntilRight) {
    word.protectedDocuments["/in/s.docx"] = "right";
    prompts.passwords = {"wrong", "right"};
    EXPECT_EQ(convert("/in/s.docx"), FileOutcome::Converted);
    EXPECT_EQ(prompts.asked, (std::vector<std::string>{"s.docx", "s.docx again"}));
    EXPECT_EQ(word.calls(), join({refusedSession("/in/s.docx", placeholder),
                                  refusedSession("/in/s.docx", "wrong"),
                                  successfulSession("/in/s.docx", "right", printFile())}));

    // The same document converted once more is a new document to the prompt.
    prompts.passwords = {"right"};
    EXPECT_EQ(convert("/in/s.docx"), FileOutcome::Converted);
    EXPECT_EQ(prompts.asked, (std::vector<std::string>{"s.docx", "s.docx again", "s.docx"}));
}

TEST_F(WordToPdfConverterTest, EmptyEntryRetriesWithThePlaceholder) {
    word.protectedDocuments["/in/s.doc"] = "pw";
    prompts.passwords = {"", std::nullopt};
    EXPECT_EQ(convert("/in/s.doc"), FileOutcome::NotConverted);
    EXPECT_EQ(word.calls(), join({refusedSession("/in/s.doc", placeholder),
                                  refusedSession("/in/s.doc", placeholder)}));
    EXPECT_EQ(prompts.asked.size(), 2u);
}

TEST_F(WordToPdfConverterTest, CancelGivesUpTheFileWithNoSessionLeft) {
    word.protectedDocuments["/in/s.doc"] = "pw";
    prompts.onPrompt = [&](const std::string&) {
        EXPECT_EQ(word.liveSessions(), 0) << "a session waits behind the prompt";
    };
    EXPECT_EQ(convert("/in/s.doc"), FileOutcome::NotConverted);
    EXPECT_EQ(word.calls(), refusedSession("/in/s.doc", placeholder));
    EXPECT_TRUE(pdf.jobs.empty());
    EXPECT_EQ(converter.documentPassword(), placeholder);
}

TEST_F(WordToPdfConverterTest, NoWordProcessorIsReportedWithTheKnownMessage) {
    word.unavailable = true;
    for (int file = 0; file < 2; ++file) {
        try {
            convert("/in/a.doc");
            FAIL() << "expected an error";
        } catch (const WordStageError& error) {
            EXPECT_STREQ(error.what(), "Couldn't get Word object.");
        }
    }
    EXPECT_EQ(word.calls(),
              (std::vector<std::string>{"create Word.Application", "create Word.Application"}));
}

TEST_F(WordToPdfConverterTest, UnreadableDocumentIsReportedWithoutAPrompt) {
    word.unreadableDocuments["/in/broken.docx"] = "the file is damaged";
    try {
        convert("/in/broken.docx");
        FAIL() << "expected an error";
    } catch (const WordStageError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Couldn't open \"/in/broken.docx\": the file is damaged");
    }
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(word.calls(), refusedSession("/in/broken.docx", placeholder));
    EXPECT_EQ(word.liveSessions(), 0);
}

// A failing call other than Open ends the session (the document closed first when it is open)
// and the file is not converted.
struct FailingCallCase {
    const char* member;
    std::vector<std::string> lastCalls; // how the session ends
    bool pdfStageRan;
};

class FailingCall : public WordToPdfConverterTest,
                    public ::testing::WithParamInterface<FailingCallCase> {};

TEST_P(FailingCall, EndsTheSessionAndNamesTheFile) {
    word.failingCall = GetParam().member;
    try {
        convert("/in/a.doc");
        FAIL() << "expected an error";
    } catch (const WordStageError& error) {
        EXPECT_NE(std::string(error.what()).find("\"/in/a.doc\""), std::string::npos);
    }
    const auto calls = word.calls();
    const auto& last = GetParam().lastCalls;
    ASSERT_GE(calls.size(), last.size());
    EXPECT_EQ(std::vector<std::string>(calls.end() - static_cast<long>(last.size()), calls.end()),
              last);
    EXPECT_EQ(pdf.jobs.size(), GetParam().pdfStageRan ? 1u : 0u);
    EXPECT_EQ(word.liveSessions(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Members, FailingCall,
    ::testing::Values(FailingCallCase{"Visible", {"Visible BOOL false", quitCall}, false},
                      FailingCallCase{"Documents", {"Documents", quitCall}, false},
                      FailingCallCase{"PrintOut", {"watch stop", closeCall, quitCall}, false}),
    [](const auto& test) { return std::string(test.param.member); });

// A print whose pages are not the document's fails the file, saying so, and nothing of it
// reaches the PDF stage.
TEST_F(WordToPdfConverterTest, APrintThatLostPagesIsReportedAndNotConverted) {
    word.failingCall = "PrintOut";
    word.failingKind = WordError::Kind::PrintMismatch;
    try {
        convert("/in/report.docx");
        FAIL() << "expected an error";
    } catch (const WordStageError& error) {
        EXPECT_STREQ(error.what(), "Couldn't convert \"/in/report.docx\": the printed pages differ "
                                   "from the document's pages: PrintOut failed.");
    }
    EXPECT_TRUE(pdf.jobs.empty());
    EXPECT_EQ(word.liveSessions(), 0);
    EXPECT_TRUE(fs::is_empty(dir.file("data"))) << "the work folder was left behind";
}

// Once the print file is complete, a word processor failing while it closes or quits still ends
// its session, and the PDF is written from the print file all the same.
TEST_F(WordToPdfConverterTest, FailureWhileClosingStillWritesThePdf) {
    for (const char* member : {"Close", "Quit"}) {
        SCOPED_TRACE(member);
        word.failingCall = member;
        pdf.jobs.clear();
        EXPECT_EQ(convert("/in/a.doc"), FileOutcome::Converted);
        const auto calls = word.calls();
        EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
                  (std::vector<std::string>{closeCall, quitCall, "pdf stage"}));
        EXPECT_EQ(pdf.jobs.size(), 1u);
        EXPECT_EQ(word.liveSessions(), 0);
    }
}

TEST_F(WordToPdfConverterTest, PdfStageFailureComesAfterTheSessionEnded) {
    pdf.failing = {"/in/a.doc"};
    EXPECT_THROW(convert("/in/a.doc"), ConversionError);
    const auto calls = word.calls();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{closeCall, quitCall, "pdf stage"}));
    EXPECT_EQ(word.liveSessions(), 0);
    EXPECT_TRUE(fs::is_empty(dir.file("data"))) << "the work folder was left behind";
}

TEST_F(WordToPdfConverterTest, WaitsUntilBackgroundPrintingEnds) {
    word.printingStatus = {2, 1, 0};
    convert("/in/a.doc");
    const auto calls = word.calls();
    const auto from = std::find(calls.begin(), calls.end(), printOutCall(printFile()));
    ASSERT_NE(from, calls.end());
    EXPECT_EQ(std::vector<std::string>(from + 1, from + 6),
              (std::vector<std::string>{"BackgroundPrintingStatus 2", "BackgroundPrintingStatus 1",
                                        "BackgroundPrintingStatus 0", "watch stop", closeCall}));
}

TEST_F(WordToPdfConverterTest, AbandonWhileWaitingForPrintingEndsTheSession) {
    word.printingStatus = {1, 1, 1, 1};
    converter.setPrintPollInterval(std::chrono::hours(1));
    std::thread stopper([&] {
        while (word.calls().empty() || word.calls().back() != "BackgroundPrintingStatus 1") {
            std::this_thread::yield();
        }
        control.abandon();
    });
    EXPECT_THROW(convert("/in/a.doc"), BatchAbandoned);
    stopper.join();
    EXPECT_TRUE(pdf.jobs.empty());
    EXPECT_EQ(word.liveSessions(), 0);
    const auto calls = word.calls();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{"watch stop", closeCall, quitCall}));
    EXPECT_TRUE(fs::is_empty(dir.file("data"))) << "the work folder was left behind";
}

TEST_F(WordToPdfConverterTest, StartEndsTheSessionAndLeavesThePdfStageToItsRemainder) {
    for (const bool run : {true, false}) {
        SCOPED_TRACE(run ? "remainder run" : "remainder dropped");
        pdf.jobs.clear();
        auto started = converter.start("/in/a.doc", dir.file("out.pdf"), ConversionOptions{},
                                       control, [&] { word.note("before asking"); });
        EXPECT_EQ(started.outcome, FileOutcome::Converted);
        ASSERT_TRUE(started.remainder);
        EXPECT_TRUE(pdf.jobs.empty());
        EXPECT_EQ(word.liveSessions(), 0);
        EXPECT_EQ(word.calls().back(), quitCall);
        if (run) {
            started.remainder(control);
            ASSERT_EQ(pdf.jobs.size(), 1u);
            EXPECT_EQ(pdf.printFileContent, "print job");
            EXPECT_EQ(TempDir::read(dir.file("out.pdf")), "%PDF-1.3");
        }
        started = {};
        EXPECT_TRUE(fs::is_empty(dir.file("data"))) << "the work folder was left behind";
    }
    const auto calls = word.calls();
    EXPECT_EQ(std::find(calls.begin(), calls.end(), "before asking"), calls.end());
}

TEST_F(WordToPdfConverterTest, StartLetsTheCallerInBeforeEveryPasswordPrompt) {
    word.protectedDocuments["/in/s.doc"] = "pw";
    prompts.passwords = {"wrong", "pw"};
    prompts.onPrompt = [&](const std::string&) { word.note("asked"); };
    const auto started = converter.start("/in/s.doc", dir.file("out.pdf"), ConversionOptions{},
                                         control, [&] { word.note("before asking"); });
    EXPECT_EQ(started.outcome, FileOutcome::Converted);
    std::vector<std::string> notes;
    for (const auto& call : word.calls()) {
        if (call == "asked" || call == "before asking") {
            notes.push_back(call);
        }
    }
    EXPECT_EQ(notes,
              (std::vector<std::string>{"before asking", "asked", "before asking", "asked"}));
}

namespace {

// The structure-keeping route: the word processor exports instead of printing, with the fields
// the user filled in as the document's properties, and no printer chosen.
TEST_F(WordToPdfConverterTest, TheStructureRouteExportsWithTheFilledInFieldsAsProperties) {
    struct Case {
        const char* name;
        ConversionOptions options;
        std::vector<std::string> properties;
        std::string exportCall; // with %s for the export's path
    };
    ConversionOptions route;
    route.route = ConversionRoute::KeepStructure;
    ConversionOptions filled = route;
    filled.title = "Quarterly \"Q3\"";
    filled.keywords = "budget, Q3";
    filled.tagged = true;
    filled.imagesCompression = ImageCompression::Jpeg;
    filled.jpegQuality = JpegQuality::Medium;
    ConversionOptions archival; // PDF/A takes the route by itself
    archival.pdfVersion = PdfVersion::PdfA2b;
    archival.author = "A. M.";
    const Case cases[] = {
        {"nothing filled in",
         route,
         {},
         "ExportAsFixedFormat(%s, properties, bookmarks, PDF 1.5, lossless)"},
        {"title and keywords",
         filled,
         {"BuiltInDocumentProperties(Title) = \"Quarterly \"Q3\"\"",
          "BuiltInDocumentProperties(Keywords) = \"budget, Q3\""},
         "ExportAsFixedFormat(%s, properties, bookmarks, tags, PDF 1.5, JPEG 75)"},
        {"PDF/A-2b",
         archival,
         {"BuiltInDocumentProperties(Author) = \"A. M.\""},
         "ExportAsFixedFormat(%s, properties, bookmarks, PDF/A-2b, lossless)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWord own;
        ScriptedPdfStage ownPdf{&own};
        WordToPdfConverter exporter{own, ownPdf, prompts, watch, dir.file("data")};
        ASSERT_EQ(exporter.convert("/in/a.docx", dir.file("out.pdf"), c.options, control),
                  FileOutcome::Converted);
        ASSERT_EQ(ownPdf.jobs.size(), 1u);
        const std::string exported = ownPdf.jobs[0].printFile;
        EXPECT_EQ(fs::path(exported).filename(), WordToPdfConverter::exportFileName);
        std::vector<std::string> expected{"create Word.Application", "Visible BOOL false",
                                          "Documents", openCall("/in/a.docx", placeholder)};
        expected.insert(expected.end(), c.properties.begin(), c.properties.end());
        std::string exportCall = c.exportCall;
        exportCall.replace(exportCall.find("%s"), 2, exported);
        expected.insert(expected.end(), {exportCall, closeCall, quitCall, "pdf stage a.docx",
                                         "pdf written a.docx"});
        EXPECT_EQ(own.calls(), expected);
        EXPECT_EQ(ownPdf.printFileContent, "%PDF-1.6 exported");
    }
}

} // namespace
