#include "engine/SingleDocumentConversion.h"

#include "engine/BatchControl.h"
#include "engine/ConversionError.h"
#include "engine/ConversionOptions.h"
#include "engine/QuietPrintWatch.h"
#include "engine/WordToPdfConverter.h"
#include "tests/support/RecordingPrompts.h"
#include "tests/support/RecordingWord.h"
#include "tests/support/ScriptedPdfStage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

class SingleDocumentConversionTest : public ::testing::Test {
protected:
    SingleDocumentConversionTest() {
        fs::create_directories(dir.file("data"));
        fs::create_directories(dir.file("Docs"));
        converter.setPrintPollInterval(std::chrono::milliseconds(1));
        converter.setAskForPasswords(false);
        pdf.pdfText = [](const PdfStage::Job&) { return "%PDF-1.3 new"; };
        pdf.before = [this](const PdfStage::Job& job, BatchControl&) {
            if (failPdf) {
                throw ConversionError("Ghostscript could not convert \"" + job.sourcePath + "\"");
            }
        };
        prompts.onPrompt = [](const std::string& prompt) {
            if (prompt.starts_with("password ")) {
                ADD_FAILURE() << "the add-in's conversion never asks for a password";
            }
        };
    }

    SingleDocumentConversion::Result convert(const std::string& document, const std::string& folder,
                                             const ConversionOptions& options = {}) {
        return conversion.convertDocument(document, folder, options, control);
    }

    TempDir dir;
    RecordingWord word;
    ScriptedPdfStage pdf;
    bool failPdf = false;
    QuietPrintWatch watch;
    RecordingPrompts prompts;
    BatchControl control;
    WordToPdfConverter converter{word, pdf, prompts, watch, dir.file("data")};
    SingleDocumentConversion conversion{converter, prompts, dir.file("data")};
};

TEST_F(SingleDocumentConversionTest, ThePdfTakesTheDocumentsNameInTheFolderWithOrWithoutSeparator) {
    for (const std::string& folder : {dir.file("Docs/"), dir.file("Docs")}) {
        fs::remove(dir.file("Docs/Report.pdf"));
        const auto result = convert("/in/Report.docx", folder);
        EXPECT_EQ(result.outputPath, dir.file("Docs/Report.pdf")) << folder;
        EXPECT_TRUE(result.written);
        EXPECT_EQ(TempDir::read(dir.file("Docs/Report.pdf")), "%PDF-1.3 new");
    }
    EXPECT_TRUE(prompts.messages.empty());
    // Nothing of the runs is left in the data folder.
    EXPECT_TRUE(fs::is_empty(dir.file("data")));
}

TEST_F(SingleDocumentConversionTest, OnlyExactDocumentExtensionsAreConvertedTheRestNamedInFull) {
    const struct {
        const char* document;
        bool converted;
    } cases[] = {
        {"/in/Letter.dot", true},   {"/in/old.doc", true}, {"/in/REPORT.DOC", false},
        {"/in/Report.docm", false}, {"Document1", false},  {"", false},
    };
    for (const auto& c : cases) {
        prompts.messages.clear();
        const auto before = word.calls().size();
        const auto result = convert(c.document, dir.file("Docs"));
        EXPECT_EQ(result.written, c.converted) << c.document;
        if (!c.converted) {
            EXPECT_EQ(prompts.messages,
                      std::vector<std::string>{"Not Suppot File " + std::string(c.document) +
                                               ",Convert next file?"});
            EXPECT_EQ(word.calls().size(), before) << "no word processor for " << c.document;
            EXPECT_TRUE(result.outputPath.empty());
        }
    }
}

TEST_F(SingleDocumentConversionTest, AFailedRunNamesTheFileAndKeepsTheOldPdf) {
    TempDir::write(dir.file("Docs/Report.pdf"), "old PDF");
    const struct {
        const char* what;
        std::function<void()> arrange;
        std::string message;
    } cases[] = {
        {"failing PDF stage", [this] { failPdf = true; },
         "Ghostscript could not convert \"/in/Report.docx\""},
        {"protected document", [this] { word.protectedDocuments["/in/Report.docx"] = "pw"; },
         "Couldn't open \"/in/Report.docx\": the document is protected by a password."},
        {"damaged document",
         [this] { word.unreadableDocuments["/in/Report.docx"] = "not a Word file"; },
         "Couldn't open \"/in/Report.docx\""},
        {"no word processor", [this] { word.unavailable = true; }, "Couldn't get Word object."},
    };
    for (const auto& c : cases) {
        failPdf = false;
        word.protectedDocuments.clear();
        word.unreadableDocuments.clear();
        word.unavailable = false;
        prompts.messages.clear();
        c.arrange();
        const auto result = convert("/in/Report.docx", dir.file("Docs"));
        EXPECT_FALSE(result.written) << c.what;
        EXPECT_EQ(result.outputPath, dir.file("Docs/Report.pdf"));
        ASSERT_EQ(prompts.messages.size(), 1u) << c.what;
        EXPECT_EQ(prompts.messages[0].rfind(c.message, 0), 0u) << prompts.messages[0];
        EXPECT_EQ(TempDir::read(dir.file("Docs/Report.pdf")), "old PDF") << c.what;
        EXPECT_EQ(fs::directory_iterator(dir.file("Docs"))->path().filename(), "Report.pdf");
        EXPECT_EQ(word.liveSessions(), 0);
    }
}

TEST_F(SingleDocumentConversionTest, AnExistingPdfIsReplacedWithoutAQuestion) {
    TempDir::write(dir.file("Docs/Report.pdf"), "old PDF");
    EXPECT_TRUE(convert("/in/Report.doc", dir.file("Docs")).written);
    EXPECT_EQ(TempDir::read(dir.file("Docs/Report.pdf")), "%PDF-1.3 new");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SingleDocumentConversionTest, PasswordsThePdfCannotKeepStopTheRunBeforeTheWordProcessor) {
    ConversionOptions options;
    options.securityEnabled = true;
    options.ownerPassword = std::string(40, 'x'); // the encryption keys on 32 bytes only
    const auto result = convert("/in/Report.docx", dir.file("Docs"), options);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(word.calls().empty());
}

} // namespace
