// The security check with PDFs the real gs encrypts with explicit permission values.
#include "platform/pdf/QpdfSecurityCheck.h"

#include "engine/BatchControl.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>

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
        arguments.insert(arguments.end(), {"-c", "/Helvetica 20 selectfont 72 700 moveto "
                                                 "(Checked) show showpage"});
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

} // namespace
