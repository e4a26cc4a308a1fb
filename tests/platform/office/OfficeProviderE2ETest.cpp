// The provider with the real office: documents of every kind the conversion meets, one warm
// office shared by the whole suite.
#include "platform/office/OfficeApplicationFactory.h"

#include "engine/BatchAbandoned.h"
#include "tests/support/LegacyWordDocument.h"
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"
#include "tests/support/WordCalls.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace zarta;
using namespace zarta::test;

namespace {

const std::string accented = "Crème brûlée à l'Ærøskøbing, naïve façade";
// Word 97 passwords have at most 15 characters.
const std::string password = "Sésame 1";

class OfficeProviderE2ETest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        // A socket bound but not yet listening: the office that makes the documents is refused
        // if it ever tries the link; the test listens on it later.
        linkSocket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(linkSocket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        socklen_t length = sizeof address;
        ::getsockname(linkSocket_, reinterpret_cast<sockaddr*>(&address), &length);
        const std::string link =
            "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/picture.png";

        {
            TestDocuments maker(officeProfiles("provider"));
            const std::string body =
                TestDocuments::paragraph(accented) +
                TestDocuments::table({{"Stadt", "Zürich"}, {"Größe", "½ Ünïcödé"}}) +
                TestDocuments::picture() + TestDocuments::paragraph("Ende des Dokuments");
            using Format = TestDocuments::Format;
            maker.make(file("plain.docx"), Format::Docx, body);
            maker.make(file("plain.doc"), Format::Doc, body);
            maker.make(file("plain.dot"), Format::Dot, body);
            maker.make(file("protected.doc"), Format::Doc, body, password);
            maker.make(file("protected.docx"), Format::Docx, body, password);
            maker.make(file("linked.docx"), Format::Docx,
                       TestDocuments::paragraph("A linked picture:") +
                           TestDocuments::linkedPicture(link));
        }
        const std::string doc = TempDir::read(file("plain.doc"));
        const std::string docx = TempDir::read(file("plain.docx"));
        TempDir::write(file("damaged.doc"), doc.substr(0, doc.size() / 2));
        TempDir::write(file("damaged.docx"), docx.substr(0, docx.size() / 2));
        // Intact as a compound file, but the Word stream's header is garbage: only the office
        // can tell.
        std::string scrambled = doc;
        const std::size_t header = scrambled.find("\xEC\xA5");
        ASSERT_NE(header, std::string::npos);
        for (std::size_t i = header; i < header + 512; ++i) {
            scrambled[i] = static_cast<char>((i * 7919) & 0xFF);
        }
        TempDir::write(file("scrambled.doc"), scrambled);
        // A package whose directory is intact but whose parts are not: the office offers to
        // repair it, which must be declined.
        std::string corrupt = docx;
        for (std::size_t i = 100; i < corrupt.size() / 2; i += 7) {
            corrupt[i] = static_cast<char>(~corrupt[i]);
        }
        TempDir::write(file("corrupt.docx"), corrupt);
        // Formats the office reads but no longer writes.
        using Version = LegacyWordDocument::Version;
        LegacyWordDocument::write(file("word2.doc"), Version::Word2, {"Word 2.0", accented});
        LegacyWordDocument::write(file("word6.doc"), Version::Word6, {"Word 6.0", accented});
        LegacyWordDocument::write(file("word95.doc"), Version::Word95, {"Word 95", accented});
        // The encryption Word gives a package by default (agile: AES-256, SHA-512), which the
        // office writes in no version of its own.
        ASSERT_EQ(std::system(("/usr/bin/python3 " ZARTA_AGILE_ENCRYPT " '" + file("plain.docx") +
                               "' '" + file("agile.docx") + "' '" + password + "'")
                                  .c_str()),
                  0);
        // Encrypted packages declaring encryptions the office cannot decrypt.
        for (const char* variant : {"rc4-cryptoapi", "aes256", "extensible", "agile-sha384"}) {
            const std::string name = file(std::string("variant-") + variant + ".docx");
            std::filesystem::copy_file(file("protected.docx"), name);
            ASSERT_EQ(std::system(("/usr/bin/python3 " ZARTA_ENCRYPTION_VARIANT " '" + name + "' " +
                                   variant)
                                      .c_str()),
                      0)
                << variant;
        }
        TempDir::write(file("empty.docx"), "");
        TempDir::write(file("text.docx"), "Just a few words, not a Word document.\n");

        OfficeSettings settings;
        settings.profileRoot = officeProfiles("provider");
        factory_ = new OfficeApplicationFactory(settings);
    }

    static void TearDownTestSuite() {
        delete factory_;
        ::close(linkSocket_);
        delete dir_;
    }

    static std::string file(const std::string& name) { return dir_->file(name); }

    WordRun run(const std::string& name, const WordVariant& documentPassword) {
        std::filesystem::remove(file("job.pdf"));
        return runWord(*factory_, control_, file(name), documentPassword, file("job.pdf"));
    }

    static TempDir* dir_;
    static int linkSocket_;
    static OfficeApplicationFactory* factory_;
    BatchControl control_;
};

TempDir* OfficeProviderE2ETest::dir_ = nullptr;
int OfficeProviderE2ETest::linkSocket_ = -1;
OfficeApplicationFactory* OfficeProviderE2ETest::factory_ = nullptr;

void expectDocumentText(const std::string& text) {
    for (const char* words : {"Crème brûlée", "Ærøskøbing", "naïve façade", "Zürich", "½ Ünïcödé",
                              "Ende des Dokuments"}) {
        EXPECT_NE(text.find(words), std::string::npos) << words << " missing from:\n" << text;
    }
}

TEST_F(OfficeProviderE2ETest, PrintsWordDocumentsAsSearchableText) {
    for (const char* name : {"plain.docx", "plain.doc", "plain.dot"}) {
        SCOPED_TRACE(name);
        const WordRun result = run(name, WordVariant::Text("x"));
        ASSERT_TRUE(result.printed) << result.detail;
        EXPECT_EQ(TempDir::read(file("job.pdf")).substr(0, 5), "%PDF-");
        expectDocumentText(pdfText(file("job.pdf")));
    }
}

TEST_F(OfficeProviderE2ETest, PrintsWord2Word6AndWord95Documents) {
    const std::pair<const char*, const char*> documents[] = {
        {"word2.doc", "Word 2.0"}, {"word6.doc", "Word 6.0"}, {"word95.doc", "Word 95"}};
    for (const auto& [name, version] : documents) {
        SCOPED_TRACE(name);
        const WordRun result = run(name, WordVariant::Text("x"));
        ASSERT_TRUE(result.printed) << result.detail;
        const std::string text = pdfText(file("job.pdf"));
        for (const char* words : {version, "Crème brûlée", "Ærøskøbing", "naïve façade"}) {
            EXPECT_NE(text.find(words), std::string::npos) << words << " missing from:\n" << text;
        }
    }
}

TEST_F(OfficeProviderE2ETest, PrintsTheProjectsSamples) {
    struct Sample {
        const char* name;
        const char* words;
    };
    for (const Sample& sample : {Sample{"welcome.docx", "Crème brûlée"},
                                 Sample{"bericht.docx", "Quartalsbericht für Zürich"},
                                 Sample{"menu.doc", "Menú del día"}}) {
        std::filesystem::remove(file("job.pdf"));
        const WordRun result =
            runWord(*factory_, control_, std::string(ZARTA_SAMPLES_DIR) + "/" + sample.name,
                    WordVariant::Text("x"), file("job.pdf"));
        ASSERT_TRUE(result.printed) << sample.name << ": " << result.detail;
        EXPECT_NE(pdfText(file("job.pdf")).find(sample.words), std::string::npos) << sample.name;
        EXPECT_EQ(pdfImageCount(file("job.pdf")), 1) << sample.name;
    }
}

TEST_F(OfficeProviderE2ETest, OpensProtectedDocumentsOnlyWithTheirPassword) {
    for (const char* name : {"protected.doc", "protected.docx", "agile.docx"}) {
        SCOPED_TRACE(name);
        for (const WordVariant& wrong : {WordVariant::Text("x"), WordVariant::Text(""),
                                         WordVariant::Text("sésame"), WordVariant::Missing()}) {
            const WordRun refused = run(name, wrong);
            EXPECT_FALSE(refused.printed) << wrong.describe();
            EXPECT_EQ(refused.error, WordError::Kind::PasswordRequired)
                << wrong.describe() << ": " << refused.detail;
            EXPECT_FALSE(std::filesystem::exists(file("job.pdf")));
        }
        const WordRun opened = run(name, WordVariant::Text(password));
        ASSERT_TRUE(opened.printed) << opened.detail;
        expectDocumentText(pdfText(file("job.pdf")));
    }
}

// Packages encrypted in ways the office does not know are neither damaged nor a question of the
// password: they are named as such, with the right password too. (Those it knows ask for their
// password, above.)
TEST_F(OfficeProviderE2ETest, NamesEncryptionsTheOfficeCannotOpenWhateverThePassword) {
    for (const char* variant : {"rc4-cryptoapi", "aes256", "extensible", "agile-sha384"}) {
        for (const WordVariant& given :
             {WordVariant::Text(password), WordVariant::Text("x"), WordVariant::Missing()}) {
            SCOPED_TRACE(std::string(variant) + " " + given.describe());
            const WordRun result = run(std::string("variant-") + variant + ".docx", given);
            EXPECT_FALSE(result.printed);
            EXPECT_EQ(result.error, WordError::Kind::CannotOpen);
            EXPECT_EQ(result.detail,
                      "it is protected with an encryption the word processor cannot open");
            EXPECT_FALSE(std::filesystem::exists(file("job.pdf")));
        }
    }
}

TEST_F(OfficeProviderE2ETest, OpensUnprotectedDocumentsWhateverThePassword) {
    for (const char* name : {"plain.docx", "plain.doc"}) {
        for (const char* given : {"", "x", "anything at all"}) {
            const WordRun result = run(name, WordVariant::Text(given));
            EXPECT_TRUE(result.printed) << name << " with \"" << given << "\": " << result.detail;
        }
    }
}

TEST_F(OfficeProviderE2ETest, ReportsUnreadableFilesWithoutAskingForAPassword) {
    struct Case {
        const char* name;
        const char* detail;
    };
    for (const Case& c : {Case{"damaged.doc", "damaged"}, Case{"damaged.docx", "damaged"},
                          Case{"scrambled.doc", "damaged"}, Case{"corrupt.docx", "damaged"},
                          Case{"empty.docx", "empty"}, Case{"text.docx", "not a Word document"},
                          Case{"missing.doc", "does not exist"}}) {
        const WordRun result = run(c.name, WordVariant::Text("x"));
        EXPECT_FALSE(result.printed) << c.name;
        EXPECT_EQ(result.error, WordError::Kind::CannotOpen) << c.name << ": " << result.detail;
        EXPECT_NE(result.detail.find(c.detail), std::string::npos)
            << c.name << ": " << result.detail;
    }
}

TEST_F(OfficeProviderE2ETest, NeverFetchesWhatADocumentLinksTo) {
    ASSERT_EQ(::listen(linkSocket_, 4), 0);
    const WordRun result = run("linked.docx", WordVariant::Text("x"));
    ASSERT_TRUE(result.printed) << result.detail;
    EXPECT_NE(pdfText(file("job.pdf")).find("A linked picture:"), std::string::npos);
    pollfd waiting{linkSocket_, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 500), 0) << "the office connected to the linked address";
}

TEST_F(OfficeProviderE2ETest, RefusesWhatItCannotHonour) {
    auto application = factory_->create("Word.Application", control_);
    ASSERT_NE(application, nullptr);
    EXPECT_THROW(application->putVisible(WordVariant::Bool(true)), WordError);
    EXPECT_THROW(application->putActivePrinter(WordVariant::Text("Office Jet")), WordError);
    auto documents = application->getDocuments();
    auto openArgs = openArguments(file("plain.docx"), WordVariant::Text("x"));
    auto document = documents->Open(openArgs);
    auto printArgs = printArguments(file("job.pdf"));
    printArgs[10] = WordVariant::False(); // to a real printer
    EXPECT_THROW(document->PrintOut(printArgs), WordError);
    auto quitArgs = noSave();
    application->Quit(quitArgs);

    EXPECT_EQ(factory_->create("Excel.Application", control_), nullptr);
}

TEST_F(OfficeProviderE2ETest, WritesNothingBesideTheDocument) {
    auto application = factory_->create("Word.Application", control_);
    ASSERT_NE(application, nullptr);
    auto documents = application->getDocuments();
    auto openArgs = openArguments(file("plain.docx"), WordVariant::Text("x"));
    openArgs[2] = WordVariant::False(); // even opened for editing
    auto document = documents->Open(openArgs);
    EXPECT_FALSE(std::filesystem::exists(file(".~lock.plain.docx#")));
    auto quitArgs = noSave();
    application->Quit(quitArgs);
}

TEST_F(OfficeProviderE2ETest, LeavesNothingOpenForTheNextSession) {
    {
        // Neither Close nor Quit: destroying the objects must close the document.
        auto application = factory_->create("Word.Application", control_);
        ASSERT_NE(application, nullptr);
        auto documents = application->getDocuments();
        auto openArgs = openArguments(file("plain.doc"), WordVariant::Text("x"));
        auto document = documents->Open(openArgs);
    }
    const int leftovers = factory_->statistics().leftoversClosed;
    EXPECT_TRUE(run("plain.docx", WordVariant::Text("x")).printed);
    EXPECT_EQ(factory_->statistics().leftoversClosed, leftovers);
}

TEST_F(OfficeProviderE2ETest, ReplacesAnOfficeThatWasKilled) {
    ASSERT_TRUE(run("plain.docx", WordVariant::Text("x")).printed);
    const int first = factory_->statistics().officePid;
    ASSERT_GT(first, 0);
    ::kill(first, SIGKILL);
    const WordRun afterKill = run("plain.docx", WordVariant::Text("x"));
    EXPECT_TRUE(afterKill.printed) << afterKill.detail;
    const int second = factory_->statistics().officePid;
    EXPECT_NE(second, first);

    // Killed in the middle of a session: that session's calls fail, the next session works.
    auto application = factory_->create("Word.Application", control_);
    ASSERT_NE(application, nullptr);
    auto documents = application->getDocuments();
    auto openArgs = openArguments(file("plain.doc"), WordVariant::Text("x"));
    auto document = documents->Open(openArgs);
    ::kill(factory_->statistics().officePid, SIGKILL);
    auto printArgs = printArguments(file("job.pdf"));
    try {
        document->PrintOut(printArgs);
        FAIL() << "printed with a killed office";
    } catch (const WordError& error) {
        EXPECT_EQ(error.kind(), WordError::Kind::CallFailed) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(file("job.pdf")));
    auto quitArgs = noSave();
    EXPECT_NO_THROW(application->Quit(quitArgs));
    document.reset();
    application.reset();
    EXPECT_TRUE(run("plain.doc", WordVariant::Text("x")).printed);
}

TEST_F(OfficeProviderE2ETest, AbandoningTheBatchEndsTheOfficeAtOnce) {
    BatchControl control;
    auto application = factory_->create("Word.Application", control);
    ASSERT_NE(application, nullptr);
    const int pid = factory_->statistics().officePid;
    auto documents = application->getDocuments();
    auto openArgs = openArguments(file("plain.docx"), WordVariant::Text("x"));
    auto document = documents->Open(openArgs);

    control.abandon();
    EXPECT_TRUE(processEnds(pid));
    auto printArgs = printArguments(file("job.pdf"));
    EXPECT_THROW(document->PrintOut(printArgs), BatchAbandoned);
    document.reset();
    application.reset();

    EXPECT_TRUE(run("plain.docx", WordVariant::Text("x")).printed) << "a new batch, a new office";
}

} // namespace
