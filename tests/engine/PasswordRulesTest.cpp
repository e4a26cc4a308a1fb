#include "engine/PasswordRules.h"

#include "engine/ConversionOptions.h"

#include <gtest/gtest.h>

using namespace zarta;

namespace {

ConversionOptions secured(const std::string& owner, const std::string& user,
                          bool userEnabled = true, EncryptionLevel level = EncryptionLevel::Low,
                          PdfVersion version = PdfVersion::V1_3) {
    ConversionOptions options;
    options.encryptionLevel = level;
    options.pdfVersion = version;
    options.securityEnabled = true;
    options.ownerPassword = owner;
    options.userPassword = user;
    options.userPasswordEnabled = userEnabled;
    return options;
}

TEST(PasswordRules, RefusesWhatTheEncryptionWouldWeakenAndNamesThePassword) {
    struct Case {
        const char* name;
        ConversionOptions options;
        const char* expected; // empty: accepted
    };
    const std::string latin1 = "Gr\xfc\xdf"
                               "e";
    const Case cases[] = {
        {"plain", secured("owner", "user"), ""},
        {"UTF-8 accents and CJK", secured("Grüße 標題", "ünïcödé"), ""},
        {"exactly 32 bytes", secured(std::string(32, 'o'), std::string(32, 'u')), ""},
        {"empty user password", secured("owner", ""), ""},
        {"Latin-1 owner", secured(latin1, "user"), "The Owner Password is not valid UTF-8"},
        {"Latin-1 user", secured("owner", latin1), "The User Password is not valid UTF-8"},
        {"overlong UTF-8", secured("\xc0\xaf", "user"), "The Owner Password is not valid UTF-8"},
        {"UTF-16 surrogate", secured("\xed\xa0\x80", "user"), "not valid UTF-8"},
        {"cut sequence", secured("ab\xe6\xa8", "user"), "not valid UTF-8"},
        {"40-byte owner", secured(std::string(40, 'o'), "user"),
         "The Owner Password is 40 bytes long"},
        {"33-byte user", secured("owner", std::string(33, 'u')),
         "The User Password is 33 bytes long"},
        {"line break", secured("own\ner", "user"), "The Owner Password contains a line break"},
        {"same passwords", secured("same", "same"),
         "The Owner Password and the User Password are the same"},
        // AES-128 keys like RC4; AES-256 on up to 127 bytes, without the padding.
        {"AES-128, 33-byte user",
         secured("owner", std::string(33, 'u'), true, EncryptionLevel::Aes128),
         "The User Password is 33 bytes long"},
        {"AES-256, 127-byte owner",
         secured(std::string(127, 'o'), "user", true, EncryptionLevel::Aes256), ""},
        {"AES-256, 128-byte owner",
         secured(std::string(128, 'o'), "user", true, EncryptionLevel::Aes256),
         "The Owner Password is 128 bytes long"},
        {"AES-256, same first 32 bytes",
         secured(std::string(32, 's') + "1", std::string(32, 's') + "2", true,
                 EncryptionLevel::Aes256),
         ""},
        // PDF/A admits no encryption: the version and the password are both named.
        {"PDF/A-2b with a password",
         secured("owner", "", true, EncryptionLevel::Low, PdfVersion::PdfA2b),
         "PDF/A admits no encryption, so the PDF Version PDF/A-2b and an Owner Password"},
        // Unused fields are not judged: the user password when it is not passed, everything
        // when the PDF is not encrypted.
        {"user password not passed", secured("owner", latin1, false), ""},
        {"same but user not passed", secured("same", "same", false), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto problem = PasswordRules::problem(c.options);
        if (std::string(c.expected).empty()) {
            EXPECT_FALSE(problem) << *problem;
        } else {
            ASSERT_TRUE(problem);
            EXPECT_NE(problem->find(c.expected), std::string::npos) << *problem;
        }
    }
    ConversionOptions off = secured(latin1, latin1);
    off.securityEnabled = false;
    EXPECT_FALSE(PasswordRules::problem(off));
}

TEST(PasswordRules, TheKeyIsTheFirst32BytesFilledWithThePadding) {
    EXPECT_EQ(PasswordRules::paddedKey("").substr(0, 4), "\x28\xbf\x4e\x5e");
    EXPECT_EQ(PasswordRules::paddedKey("ab").substr(0, 4), "ab\x28\xbf");
    EXPECT_EQ(PasswordRules::paddedKey(std::string(40, 'x')), std::string(32, 'x'));
    EXPECT_NE(PasswordRules::paddedKey("a"), PasswordRules::paddedKey("a\x28"));
}

} // namespace
