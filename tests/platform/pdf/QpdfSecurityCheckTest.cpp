// The security check with PDFs the real gs encrypts with explicit permission values.
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/pdf/QpdfSecurityStage.h"

#include "engine/BatchControl.h"
#include "engine/ConversionError.h"
#include "engine/ConversionOptions.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <filesystem>

using namespace zarta;

namespace {

// The actions of the security page's "Allowed Actions": a ticked box allows its action.
struct Allowed {
    bool printing, documentChanging, contentCopying, formFilling;
};

constexpr int bit(int n) {
    return 1 << (n - 1);
}

// The permission value for the allowed actions: bits 1 and 2 clear, every other bit set but
// for the denied actions' bits (40 bits: print 3, modify 4, copy 5, annotate 6; 128 bits also
// fill forms 9, assemble 11, high-quality print 12; extraction for accessibility, bit 10,
// stays allowed).
int permissionValue(EncryptionLevel level, Allowed allowed) {
    const bool high = level == EncryptionLevel::High;
    int value = -4;
    if (!allowed.printing) {
        value &= ~(bit(3) | (high ? bit(12) : 0));
    }
    if (!allowed.documentChanging) {
        value &= ~(bit(4) | (high ? bit(11) : 0));
    }
    if (!allowed.contentCopying) {
        value &= ~bit(5);
    }
    if (!allowed.formFilling) {
        value &= ~(bit(6) | (high ? bit(9) : 0));
    }
    return value;
}

struct Made {
    EncryptionLevel level = EncryptionLevel::Low;
    std::string owner = "owner";
    std::optional<std::string> user = std::string("user");
    int permissions = -4;
    bool encrypted = true;
};

class QpdfSecurityCheckTest : public testing::Test {
protected:
    // A one-page PDF written by gs with the given encryption.
    std::string make(const Made& made) {
        const std::string pdf = dir.file("made-" + std::to_string(++count_) + ".pdf");
        const bool high = made.level == EncryptionLevel::High;
        std::vector<std::string> arguments{"/usr/bin/gs",
                                           "-q",
                                           "-dSAFER",
                                           "-dBATCH",
                                           "-dNOPAUSE",
                                           "-sDEVICE=pdfwrite",
                                           "-dCompatibilityLevel=1.4",
                                           "-sOutputFile=" + pdf};
        ProcessRunner::Settings settings;
        if (made.encrypted) {
            settings.standardInput = "-sOwnerPassword=\"" + made.owner + "\"\n" +
                                     (made.user ? "-sUserPassword=\"" + *made.user + "\"\n" : "");
            arguments.insert(arguments.end(),
                             {"@/dev/stdin", high ? "-dEncryptionR=3" : "-dEncryptionR=2",
                              high ? "-dKeyLength=128" : "-dKeyLength=40",
                              "-dPermissions=" + std::to_string(made.permissions)});
        }
        // One page with a link to a web page and one bookmark, which encrypting must keep.
        arguments.insert(arguments.end(),
                         {"-c", "/Helvetica 20 selectfont 72 700 moveto (Checked) show "
                                "[ /Rect [70 690 200 720] /Action << /Subtype /URI /URI "
                                "(https://example.org/) >> /Subtype /Link /ANN pdfmark "
                                "[ /Title (Heading) /Page 1 /OUT pdfmark showpage"});
        BatchControl control;
        const auto result = PosixProcessRunner().run(arguments, settings, control);
        EXPECT_TRUE(result.succeeded()) << result.errorOutput;
        return pdf;
    }

    static PdfSecurityCheck::Expectation expect(const Made& made) {
        return {made.level, made.owner, made.user, made.permissions};
    }

    TempDir dir;
    QpdfSecurityCheck check;

private:
    int count_ = 0;
};

TEST_F(QpdfSecurityCheckTest, EachAllowedActionSetPassesAndReadsBackAsThoseActions) {
    const Allowed sets[] = {
        {false, false, false, false}, {true, false, false, false}, {false, true, false, false},
        {false, false, true, false},  {false, false, false, true}, {true, true, true, true},
    };
    for (const auto level : {EncryptionLevel::Low, EncryptionLevel::High}) {
        for (const auto& allowed : sets) {
            Made made;
            made.level = level;
            made.permissions = permissionValue(level, allowed);
            SCOPED_TRACE(made.permissions);
            const std::string pdf = make(made);
            EXPECT_NO_THROW(check.verify(pdf, expect(made)));

            QPDF read;
            read.processFile(pdf.c_str(), "user");
            const bool high = level == EncryptionLevel::High;
            EXPECT_EQ(read.allowPrintLowRes(), allowed.printing);
            EXPECT_EQ(read.allowPrintHighRes(), allowed.printing);
            EXPECT_EQ(read.allowModifyOther(), allowed.documentChanging);
            EXPECT_EQ(read.allowModifyAssembly(), allowed.documentChanging);
            EXPECT_EQ(read.allowExtractAll(), allowed.contentCopying);
            EXPECT_EQ(read.allowModifyAnnotation(), allowed.formFilling);
            EXPECT_EQ(read.allowModifyForm(), allowed.formFilling);
            EXPECT_EQ(read.allowAccessibility(), high || allowed.contentCopying);
        }
    }
}

TEST_F(QpdfSecurityCheckTest, APdfOtherThanAskedForIsAMismatchThatSaysHow) {
    struct Case {
        const char* name;
        Made made;     // what gs wrote
        Made expected; // what was asked for
        const char* says;
    };
    Made plain;
    Made noUser;
    noUser.user.reset();
    Made high;
    high.level = EncryptionLevel::High;
    Made fewerRights;
    fewerRights.permissions = permissionValue(EncryptionLevel::Low, {true, false, false, false});
    Made sameKey;
    sameKey.user = "owner";
    Made unencrypted;
    unencrypted.encrypted = false;
    Made otherOwner;
    otherOwner.owner = "someone else";
    const Case cases[] = {
        {"user password dropped", noUser, plain, "it opens without the User Password"},
        {"user password where none was asked", plain, noUser, "it doesn't open without a password"},
        {"weaker level", plain, high, "not 128-bit RC4"},
        {"other permissions", plain, fewerRights, "its permission value is -4, not -60"},
        {"user password opens as owner", sameKey,
         [] {
             Made m;
             m.user = "owner";
             return m;
         }(),
         "the User Password gives the owner's rights"},
        {"not encrypted", unencrypted, noUser, "it is not encrypted"},
        {"other owner password", otherOwner, plain, "the Owner Password doesn't open it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pdf = make(c.made);
        try {
            check.verify(pdf, expect(c.expected));
            ADD_FAILURE() << "accepted";
        } catch (const PdfSecurityCheck::Mismatch& mismatch) {
            EXPECT_NE(std::string(mismatch.what()).find(c.says), std::string::npos)
                << mismatch.what();
        }
    }
    TempDir::write(dir.file("broken.pdf"), "%PDF-1.4 not really");
    EXPECT_THROW(check.verify(dir.file("broken.pdf"), expect(plain)), PdfSecurityCheck::Mismatch);
}

// The stage that encrypts finished PDFs with qpdf: every level, each action alone and all four,
// read back by a reader's rules, with the PDF's link and bookmark kept.
TEST_F(QpdfSecurityCheckTest, TheQpdfStageEncryptsAtEveryLevelAndKeepsLinksAndBookmarks) {
    Made unencrypted;
    unencrypted.encrypted = false;
    const std::string finished = make(unencrypted);
    QpdfSecurityStage stage(check);
    BatchControl control;
    const Allowed sets[] = {
        {false, false, false, false}, {true, false, false, false}, {false, true, false, false},
        {false, false, true, false},  {false, false, false, true}, {true, true, true, true},
    };
    const struct {
        EncryptionLevel level;
        int revision;
        QPDF::encryption_method_e method;
    } levels[] = {{EncryptionLevel::Low, 2, QPDF::e_rc4},
                  {EncryptionLevel::High, 3, QPDF::e_rc4},
                  {EncryptionLevel::Aes128, 4, QPDF::e_aes},
                  {EncryptionLevel::Aes256, 6, QPDF::e_aesv3}};
    int count = 0;
    for (const auto& level : levels) {
        for (const auto& allowed : sets) {
            SCOPED_TRACE(std::to_string(static_cast<int>(level.level)) + "/" +
                         std::to_string(count));
            ConversionOptions options;
            options.securityEnabled = true;
            options.ownerPassword = "owner";
            options.userPassword = "user";
            options.encryptionLevel = level.level;
            options.printing = allowed.printing;
            options.documentChanging = allowed.documentChanging;
            options.contentCopying = allowed.contentCopying;
            options.formFilling = allowed.formFilling;
            const std::string out = dir.file("encrypted-" + std::to_string(++count) + ".pdf");
            ASSERT_NO_THROW(stage.writePdf({finished, "/in/report.docx", out, dir.path().string()},
                                           options, control));

            QPDF read;
            read.processFile(out.c_str(), "user");
            int revision = 0, permissions = 0, version = 0;
            QPDF::encryption_method_e streams{}, strings{}, files{};
            ASSERT_TRUE(read.isEncrypted(revision, permissions, version, streams, strings, files));
            EXPECT_EQ(revision, level.revision);
            if (level.revision >= 4) {
                EXPECT_EQ(streams, level.method);
                EXPECT_EQ(strings, level.method);
            }
            const bool refined = level.level != EncryptionLevel::Low;
            EXPECT_EQ(read.allowPrintLowRes(), allowed.printing);
            EXPECT_EQ(read.allowPrintHighRes(), allowed.printing);
            EXPECT_EQ(read.allowModifyOther(), allowed.documentChanging);
            EXPECT_EQ(read.allowModifyAssembly(), allowed.documentChanging);
            EXPECT_EQ(read.allowExtractAll(), allowed.contentCopying);
            EXPECT_EQ(read.allowModifyAnnotation(), allowed.formFilling);
            EXPECT_EQ(read.allowModifyForm(), allowed.formFilling);
            EXPECT_EQ(read.allowAccessibility(), refined || allowed.contentCopying);

            QPDFPageDocumentHelper pages(read);
            ASSERT_EQ(pages.getAllPages().size(), 1u);
            auto annots = pages.getAllPages()[0].getObjectHandle().getKey("/Annots");
            ASSERT_TRUE(annots.isArray());
            ASSERT_EQ(annots.getArrayNItems(), 1);
            EXPECT_EQ(annots.getArrayItem(0).getKey("/A").getKey("/URI").getUTF8Value(),
                      "https://example.org/");
            QPDFOutlineDocumentHelper outline(read);
            ASSERT_EQ(outline.getTopLevelOutlines().size(), 1u);
            EXPECT_EQ(outline.getTopLevelOutlines()[0].getTitle(), "Heading");
        }
    }
}

TEST_F(QpdfSecurityCheckTest, TheQpdfStagePassesAPdfWithoutSecurityOnAndRefusesADamagedOne) {
    Made unencrypted;
    unencrypted.encrypted = false;
    const std::string finished = make(unencrypted);
    QpdfSecurityStage stage(check);
    BatchControl control;
    const std::string out = dir.file("plain.pdf");
    stage.writePdf({finished, "/in/report.docx", out, dir.path().string()}, ConversionOptions(),
                   control);
    QPDF read;
    read.processFile(out.c_str());
    EXPECT_FALSE(read.isEncrypted());
    EXPECT_EQ(QPDFOutlineDocumentHelper(read).getTopLevelOutlines().size(), 1u);

    TempDir::write(dir.file("damaged.pdf"), "%PDF-1.4 not really");
    const std::string never = dir.file("never.pdf");
    try {
        stage.writePdf({dir.file("damaged.pdf"), "/in/report.docx", never, dir.path().string()},
                       ConversionOptions(), control);
        ADD_FAILURE() << "accepted";
    } catch (const ConversionError& error) {
        EXPECT_NE(std::string(error.what()).find("Couldn't convert \"/in/report.docx\" to PDF"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(never));
}

} // namespace
