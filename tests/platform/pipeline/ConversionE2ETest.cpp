// The whole conversion with the real parts: the batch worker, the Word stage driving the real
// office, and the Ghostscript stage running the real gs. The PDFs are checked with poppler's and
// qpdf's tools, never read back through our own code.
#include "engine/BatchControl.h"
#include "engine/BatchWorker.h"
#include "engine/GhostscriptInterpreterStage.h"
#include "engine/GhostscriptStage.h"
#include "engine/PrintWatch.h"
#include "engine/QuietPrintWatch.h"
#include "engine/WordToPdfConverter.h"
#include "platform/office/OfficeApplicationFactory.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/FakeBatchPage.h"
#include "tests/support/LegacyWordDocument.h"
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/RecordingPrompts.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <thread>

using namespace zarta;
using namespace zarta::test;
namespace fs = std::filesystem;

namespace {

// Chinese, Japanese and Korean: the office needs CJK fonts to keep them as text.
const std::string cjkWords = "会议纪要：销售额增长 日本語のテキスト 한국어 보고서 Hello, 世界";

// Word 97 passwords have at most 15 characters.
const std::string password = "Öffne mich 7";
// "fi" and "fl" are set as ligatures by the office's fonts; their text must survive.
const std::string words = "Überprüfung officielle: vérifier le profil fiscal, flan à la crème";
// What Word 6.0 and Word 95 documents can hold: Windows Latin 1.
const std::string latinWords = "Größe ½ in Zürich: déjà vu à la façade";

// Counts the documents the office has started to print.
class CountingWatch : public PrintWatch {
public:
    std::atomic<int> printing{0};
    void start() override { ++printing; }
    void stop() override {}
};

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            output.append(buffer.data(), n);
        }
        ::pclose(pipe);
    }
    return output;
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// What pdfimages lists of a PDF's pictures, and which of them cover (nearly) their whole page.
struct PdfPictures {
    int fullPage = 0;
    int softMasks = 0;
};

PdfPictures pdfPictures(const std::string& path) {
    std::istringstream info(run("pdfinfo " + quoted(path)));
    double pageWidth = 0;
    double pageHeight = 0;
    for (std::string line; std::getline(info, line);) {
        if (line.starts_with("Page size:")) {
            std::sscanf(line.c_str(), "Page size: %lf x %lf", &pageWidth, &pageHeight);
        }
    }
    PdfPictures pictures;
    std::istringstream list(run("pdfimages -list " + quoted(path)));
    std::string line;
    std::getline(list, line); // the two heading lines
    std::getline(list, line);
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        int page = 0;
        int number = 0;
        std::string type;
        double width = 0;
        double height = 0;
        std::string skip;
        fields >> page >> number >> type >> width >> height;
        for (int i = 0; i < 7; ++i) {
            fields >> skip; // color, comp, bpc, enc, interp, object, ID
        }
        double xPpi = 0;
        double yPpi = 0;
        fields >> xPpi >> yPpi;
        pictures.softMasks += type == "smask" ? 1 : 0;
        if (type == "image" && xPpi > 0 && yPpi > 0 &&
            (width / xPpi * 72) * (height / yPpi * 72) >= 0.9 * pageWidth * pageHeight) {
            ++pictures.fullPage;
        }
    }
    return pictures;
}

class ConversionE2E : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        fs::create_directory(dir_->path() / "in");
        TestDocuments maker(officeProfiles("pipeline"));
        const std::string body = TestDocuments::paragraph(words) +
                                 TestDocuments::table({{"Stadt", "Zürich"}, {"Größe", "½"}}) +
                                 TestDocuments::picture();
        using Format = TestDocuments::Format;
        maker.make(in("plain.docx"), Format::Docx, body);
        maker.make(in("plain.doc"), Format::Doc, body);
        maker.make(in("template.dot"), Format::Dot, body);
        maker.make(in("locked.doc"), Format::Doc, body, password);
        maker.make(in("locked.docx"), Format::Docx, body, password);
        maker.make(in("translucent.docx"), Format::Docx,
                   TestDocuments::paragraph(words) + TestDocuments::translucentPicture() +
                       TestDocuments::paragraph("Nach dem Bild: Größe und Gewicht."));
        maker.make(in("cjk.docx"), Format::Docx, TestDocuments::paragraph(cjkWords));
        // Formats the office reads but no longer writes.
        using Version = LegacyWordDocument::Version;
        LegacyWordDocument::write(in("word6.doc"), Version::Word6,
                                  {"A Word 6.0 document", latinWords});
        LegacyWordDocument::write(in("word95.doc"), Version::Word95,
                                  {"A Word 95 document", latinWords});
        const std::string docx = TempDir::read(in("plain.docx"));
        TempDir::write(in("damaged.docx"), docx.substr(0, docx.size() / 2));
        TempDir::write(in("empty.docx"), "");
        TempDir::write(in("text.docx"), "Only a few words of plain text.\n");
        // What web applications export under a .doc name.
        TempDir::write(in("rich.doc"), "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Serif;}}"
                                       "\\f0\\fs24 Rich text export\\par}");
        TempDir::write(in("page.doc"), "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                                       "</head><body><p>Web page export</p></body></html>");
        TempDir::write(in("wordml.doc"),
                       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                       "<?mso-application progid=\"Word.Document\"?>\n<w:wordDocument xmlns:w="
                       "\"http://schemas.microsoft.com/office/word/2003/wordml\"><w:body><w:p>"
                       "<w:r><w:t>Word XML export</w:t></w:r></w:p></w:body></w:wordDocument>");
    }

    static void TearDownTestSuite() { delete dir_; }

    static std::string in(const std::string& name) { return dir_->file("in/" + name); }

    void SetUp() override {
        out_ = std::make_unique<TempDir>();
        data_ = std::make_unique<TempDir>();
    }

    std::string out(const std::string& name) const { return out_->file(name); }

    void checkSearchablePdfsWithTheirOptions();

    // Runs one batch through the real stages.
    // ghostscript: the executable to run instead of the one found on the search path.
    FakeBatchPage& convert(std::vector<std::string> files, const ConversionOptions& options = {},
                           std::deque<bool> replace = {}, PrintWatch* printWatch = nullptr,
                           const std::string& ghostscript = "") {
        page_ = std::make_unique<FakeBatchPage>(std::move(files), out_->path().string());
        page_->answerReplace(std::move(replace));
        PosixProcessRunner runner;
        const GhostscriptLocator locator;
        const QpdfSecurityCheck securityCheck;
        const auto locate = [&locator, &ghostscript] {
            return ghostscript.empty() ? locator.locate() : ghostscript;
        };
        GhostscriptStage perFile(runner, locate, securityCheck);
        GhostscriptInterpreterStage kept(runner, locate, securityCheck, data_->path().string());
        PdfStage& stage = keptGhostscript_ ? static_cast<PdfStage&>(kept) : perFile;
        OfficeSettings settings;
        settings.profileRoot = officeProfiles("pipeline");
        OfficeApplicationFactory office(settings);
        QuietPrintWatch noWatch;
        WordToPdfConverter converter(office, stage, prompts_, printWatch ? *printWatch : noWatch,
                                     data_->path().string());
        converter.setPrintPollInterval(std::chrono::milliseconds(50));
        BatchWorker worker(*page_, converter, prompts_, control_, options, data_->path().string());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
        interpretersStarted_ = kept.interpretersStarted();
        return *page_;
    }

    // Runs one batch with several offices side by side, each with its own kept Ghostscript, as
    // the programs run them; yields how many documents each office opened.
    std::vector<int> convertWithOffices(std::vector<std::string> files, int offices,
                                        const ConversionOptions& options = {},
                                        std::deque<bool> replace = {}) {
        page_ = std::make_unique<FakeBatchPage>(std::move(files), out_->path().string());
        page_->answerReplace(std::move(replace));
        struct Lane {
            Lane(const OfficeSettings& settings, UserPrompts& prompts, PrintWatch& watch,
                 const std::string& data)
                : stage(
                      runner, [this] { return locator.locate(); }, securityCheck, data),
                  office(settings), converter(office, stage, prompts, watch, data) {
                converter.setPrintPollInterval(std::chrono::milliseconds(50));
            }
            PosixProcessRunner runner;
            const GhostscriptLocator locator;
            const QpdfSecurityCheck securityCheck;
            GhostscriptInterpreterStage stage;
            OfficeApplicationFactory office;
            WordToPdfConverter converter;
        };
        OfficeSettings settings;
        settings.profileRoot = officeProfiles("pipeline");
        QuietPrintWatch noWatch;
        std::vector<std::unique_ptr<Lane>> lanes;
        std::vector<FileConverter*> converters;
        for (int i = 0; i < offices; ++i) {
            lanes.push_back(
                std::make_unique<Lane>(settings, prompts_, noWatch, data_->path().string()));
            converters.push_back(&lanes.back()->converter);
        }
        BatchWorker worker(*page_, converters, prompts_, control_, options, data_->path().string());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
        std::vector<int> opened;
        for (const auto& lane : lanes) {
            opened.push_back(lane->office.statistics().documentsOpened);
        }
        return opened;
    }

    static TempDir* dir_;
    std::unique_ptr<TempDir> out_;
    std::unique_ptr<TempDir> data_;
    std::unique_ptr<FakeBatchPage> page_;
    RecordingPrompts prompts_;
    BatchControl control_;
    bool keptGhostscript_ = true; // the one Ghostscript the programs keep; false: one per file
    int interpretersStarted_ = 0; // by the last batch, when keptGhostscript_
};

TempDir* ConversionE2E::dir_ = nullptr;

// Each PDF of a batch holds its document's text and picture with the options.
void ConversionE2E::checkSearchablePdfsWithTheirOptions() {
    ConversionOptions options;
    options.title = "Q3 (draft) \\ final";
    options.author = "Ünïcödé 標題";
    options.securityEnabled = true;
    options.ownerPassword = "owner pw";
    options.userPasswordEnabled = false;
    options.encryptionLevel = EncryptionLevel::High;
    options.printing = true;
    prompts_.passwords = {password, "wrong", password};

    auto& page = convert({in("locked.doc"), in("locked.docx"), in("plain.doc"), in("plain.docx"),
                          in("template.dot")},
                         options, {true, true});

    EXPECT_EQ(page.produced(), (std::vector<std::string>{"locked.pdf", "locked.pdf", "plain.pdf",
                                                         "plain.pdf", "template.pdf"}));
    EXPECT_EQ(prompts_.asked,
              (std::vector<std::string>{"locked.doc", "locked.docx", "locked.docx"}));
    EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
    EXPECT_EQ(page.replaceQuestions().size(), 2u) << "the second of each name asks first";

    for (const char* name : {"locked.pdf", "plain.pdf", "template.pdf"}) {
        const std::string text = pdfText(out(name));
        for (const char* expected :
             {"Überprüfung officielle", "vérifier", "profil fiscal", "flan à la crème", "Zürich"}) {
            EXPECT_NE(text.find(expected), std::string::npos) << name << ": " << text;
        }
        EXPECT_EQ(pdfImageCount(out(name)), 1) << name;
        const std::string info = run("pdfinfo " + quoted(out(name)));
        EXPECT_NE(info.find("Title:           Q3 (draft) \\ final"), std::string::npos) << info;
        EXPECT_NE(info.find("Author:          Ünïcödé 標題"), std::string::npos) << info;
        EXPECT_NE(info.find("PDF version:     1.4"), std::string::npos) << info;
        const std::string encryption = run("qpdf --show-encryption " + quoted(out(name)) + " 2>&1");
        EXPECT_NE(encryption.find("R = 3"), std::string::npos) << encryption;
    }
    // Nothing of the conversions is left in the data folder.
    EXPECT_TRUE(fs::is_empty(data_->path()));
}

TEST_F(ConversionE2E, WordDocumentsBecomeSearchablePdfsWithTheirOptions) {
    // With Ghostscript started per file, the reference the kept one must match.
    keptGhostscript_ = false;
    checkSearchablePdfsWithTheirOptions();
}

TEST_F(ConversionE2E, OneGhostscriptKeptForTheBatchGivesTheSamePdfs) {
    keptGhostscript_ = true;
    checkSearchablePdfsWithTheirOptions();
    EXPECT_EQ(interpretersStarted_, 1);
    EXPECT_TRUE(processesMentioning(data_->path().string()).empty());
}

TEST_F(ConversionE2E, RichTextWebPagesAndWordXmlUnderADocNameConvert) {
    auto& page = convert({in("rich.doc"), in("page.doc"), in("wordml.doc")});
    EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
    EXPECT_EQ(page.produced(), (std::vector<std::string>{"rich.pdf", "page.pdf", "wordml.pdf"}));
    const std::pair<const char*, const char*> expected[] = {{"rich.pdf", "Rich text export"},
                                                            {"page.pdf", "Web page export"},
                                                            {"wordml.pdf", "Word XML export"}};
    for (const auto& [name, text] : expected) {
        EXPECT_NE(pdfText(out(name)).find(text), std::string::npos) << name;
    }
}

TEST_F(ConversionE2E, ATranslucentPictureLeavesThePageTextAtEveryPdfVersion) {
    struct Case {
        const char* version;
        PdfVersion value;
        bool keepsTransparency;
    };
    for (const Case c :
         {Case{"1.3", PdfVersion::V1_3, false}, Case{"1.4", PdfVersion::V1_4, true}}) {
        ConversionOptions options;
        options.pdfVersion = c.value;
        auto& page = convert({in("translucent.docx")}, options, {true});
        ASSERT_EQ(page.produced(), std::vector<std::string>{"translucent.pdf"}) << c.version;

        const std::string text = pdfText(out("translucent.pdf"));
        for (const char* expected : {"Überprüfung officielle", "flan à la crème", "Größe"}) {
            EXPECT_NE(text.find(expected), std::string::npos) << c.version << ": " << text;
        }
        const PdfPictures pictures = pdfPictures(out("translucent.pdf"));
        EXPECT_EQ(pictures.fullPage, 0) << c.version << ": the page was rendered into a picture";
        EXPECT_EQ(pictures.softMasks > 0, c.keepsTransparency) << c.version;
    }
}

TEST_F(ConversionE2E, CjkTextKeepsItsCharacters) {
    auto& page = convert({in("cjk.docx")});
    ASSERT_EQ(page.produced(), std::vector<std::string>{"cjk.pdf"});
    const std::string text = pdfText(out("cjk.pdf"));
    for (const char* expected :
         {"会议纪要：销售额增长", "日本語のテキスト", "한국어 보고서", "Hello, 世界"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in: " << text;
    }
}

TEST_F(ConversionE2E, Word6AndWord95DocumentsBecomeSearchablePdfs) {
    auto& page = convert({in("word6.doc"), in("word95.doc")});
    EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
    EXPECT_EQ(page.produced(), (std::vector<std::string>{"word6.pdf", "word95.pdf"}));
    const std::pair<const char*, const char*> expected[] = {{"word6.pdf", "A Word 6.0 document"},
                                                            {"word95.pdf", "A Word 95 document"}};
    for (const auto& [name, title] : expected) {
        const std::string text = pdfText(out(name));
        EXPECT_NE(text.find(title), std::string::npos) << name << ": " << text;
        EXPECT_NE(text.find(latinWords), std::string::npos) << name << ": " << text;
    }
}

TEST_F(ConversionE2E, UnreadableFilesAreReportedWithoutAPromptAndCancelSkips) {
    auto& page = convert({in("damaged.docx"), in("empty.docx"), in("missing.docx"), in("text.docx"),
                          in("locked.doc")});

    EXPECT_TRUE(page.produced().empty());
    EXPECT_EQ(prompts_.asked, std::vector<std::string>{"locked.doc"}) << "only the protected one";
    ASSERT_EQ(prompts_.messages.size(), 4u);
    const char* names[] = {"damaged.docx", "empty.docx", "missing.docx", "text.docx"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NE(prompts_.messages[i].find(names[i]), std::string::npos) << prompts_.messages[i];
    }
    EXPECT_TRUE(fs::is_empty(out_->path()));
    const auto log = page.log();
    EXPECT_NE(std::find(log.begin(), log.end(), "status Stoped"), log.end());
}

TEST_F(ConversionE2E, AFailedReplacementKeepsTheOldPdf) {
    TempDir::write(out("damaged.pdf"), "%PDF-1.4 the old one");
    auto& page = convert({in("damaged.docx")}, {}, {true});
    EXPECT_EQ(page.replaceQuestions().size(), 1u);
    EXPECT_EQ(TempDir::read(out("damaged.pdf")), "%PDF-1.4 the old one");
    EXPECT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(out_->path()), fs::directory_iterator()), 1);
}

TEST_F(ConversionE2E, TwoOfficesConvertAHandfulOfDocumentsInListOrder) {
    ConversionOptions options;
    options.title = "Two offices";
    prompts_.passwords = {password};
    TempDir::write(out("cjk.pdf"), "old");

    const auto opened =
        convertWithOffices({in("plain.docx"), in("locked.docx"), in("damaged.docx"), in("cjk.docx"),
                            in("plain.doc"), in("word95.doc"), in("template.dot")},
                           2, options, {true, true});

    EXPECT_EQ(page_->produced(),
              (std::vector<std::string>{"plain.pdf", "locked.pdf", "cjk.pdf", "plain.pdf",
                                        "word95.pdf", "template.pdf"}));
    EXPECT_EQ(prompts_.asked, (std::vector<std::string>{"locked.docx"}));
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_NE(prompts_.messages[0].find("damaged.docx"), std::string::npos) << prompts_.messages[0];
    EXPECT_EQ(page_->replaceQuestions(),
              (std::vector<std::string>{out("cjk.pdf"), out("plain.pdf")}));
    // Each file's progress step comes in list order, the damaged one's included.
    std::vector<std::string> progress;
    for (const auto& entry : page_->log()) {
        if (entry.starts_with("progress")) {
            progress.push_back(entry);
        }
    }
    EXPECT_EQ(progress, (std::vector<std::string>{"progress 1/7 filled", "progress 2/7 filled",
                                                  "progress 4/7 filled", "progress 5/7 filled",
                                                  "progress 6/7 filled", "progress 7/7 filled",
                                                  "progress 100/100 filled"}));
    EXPECT_NE(pdfText(out("cjk.pdf")).find("日本語"), std::string::npos);
    EXPECT_NE(pdfText(out("plain.pdf")).find("Zürich"), std::string::npos);
    EXPECT_NE(pdfText(out("word95.pdf")).find("Zürich"), std::string::npos);
    EXPECT_NE(run("pdfinfo " + quoted(out("template.pdf"))).find("Two offices"), std::string::npos);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_GT(opened[0], 0) << "the first office converted nothing";
    EXPECT_GT(opened[1], 0) << "the second office converted nothing";
    EXPECT_TRUE(processesMentioning(officeProfiles("pipeline")).empty());
    EXPECT_TRUE(fs::is_empty(data_->path()));
}

TEST_F(ConversionE2E, NoOfficeOrGhostscriptIsLeftAfterTheBatch) {
    convert({in("plain.docx")});
    EXPECT_TRUE(processesMentioning(officeProfiles("pipeline")).empty());
    EXPECT_TRUE(processesMentioning(out_->path().string()).empty());
}

TEST_F(ConversionE2E, AbandonWhileOneFilePrintsAndAnotherIsInGhostscriptLeavesNothing) {
    // A Ghostscript that writes the whole PDF and then stays, so that the first file is still in
    // Ghostscript when the second one is printed.
    TempDir tools;
    const std::string pids = tools.file("pids");
    const std::string slowGhostscript = tools.file("gs");
    TempDir::write(slowGhostscript, "#!/bin/sh\necho $$ >> '" + pids + "'\n'" +
                                        GhostscriptLocator().locate() +
                                        "' \"$@\" || exit $?\nexec sleep 600\n");
    ::chmod(slowGhostscript.c_str(), 0755);
    CountingWatch watch;

    std::atomic<bool> batchEnded{false};
    std::thread user([&] {
        while (watch.printing < 2 || !fs::exists(pids) || fs::file_size(pids) == 0) {
            if (batchEnded) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        control_.abandon();
    });
    auto& page = convert({in("plain.docx"), in("cjk.docx"), in("template.dot")}, {}, {}, &watch,
                         slowGhostscript);
    batchEnded = true;
    user.join();

    ASSERT_TRUE(control_.isAbandoned()) << ::testing::PrintToString(prompts_.messages);
    EXPECT_TRUE(page.produced().empty());
    EXPECT_EQ(watch.printing, 2);
    const int ghostscriptPid = std::stoi(TempDir::read(pids));
    EXPECT_EQ(::kill(ghostscriptPid, 0), -1) << "Ghostscript is still running";
    EXPECT_TRUE(processesMentioning(officeProfiles("pipeline")).empty());
    EXPECT_TRUE(fs::is_empty(out_->path())) << "a PDF or a staged file was left";
    EXPECT_TRUE(fs::is_empty(data_->path())) << "a work folder was left";
}

} // namespace
