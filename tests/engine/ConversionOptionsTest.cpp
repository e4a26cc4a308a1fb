#include "engine/ConversionOptions.h"

#include "engine/OptionLists.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zarta;

TEST(ConversionOptions, DefaultsAreTheFirstListItemsAndNoSecurity) {
    const ConversionOptions o;
    EXPECT_FALSE(o.hasDocumentInfo());
    EXPECT_FALSE(o.securityApplies());
    EXPECT_FALSE(o.passesUserPassword());
    EXPECT_EQ(o.documentCompression, OptionLists::documentCompression[0]);
    EXPECT_EQ(o.imagesCompression, OptionLists::imagesCompression[0]);
    EXPECT_EQ(o.jpegQuality, OptionLists::jpegQuality[0]);
    EXPECT_EQ(o.pdfVersion, OptionLists::pdfVersion[0]);
    EXPECT_EQ(o.compatibilityLevel(), "1.3");
    EXPECT_TRUE(o.userPasswordEnabled);
    EXPECT_TRUE(o.ownerPasswordEnabled);
    EXPECT_EQ(o.encryptionLevel, EncryptionLevel::Low);
    EXPECT_EQ(static_cast<int>(EncryptionLevel::High), 1);
}

TEST(ConversionOptions, ListTextsAreExact) {
    EXPECT_EQ(OptionLists::jpegQuality.size(), 4u);
    EXPECT_EQ(OptionLists::pdfVersion[0], "V1.3(Acrobat 4.xx)");
    EXPECT_EQ(OptionLists::imagesCompression[2], "Automatic");
    EXPECT_EQ(OptionLists::documentCompression[1], "LZW");
}

struct SecurityCase {
    const char* name;
    std::function<void(ConversionOptions&)> set;
    bool applies;
    bool userPassword;
};

class SecurityRules : public ::testing::TestWithParam<SecurityCase> {};

TEST_P(SecurityRules, DecidedByTheFlagsAndTheOwnerPasswordAlone) {
    ConversionOptions o;
    GetParam().set(o);
    EXPECT_EQ(o.securityApplies(), GetParam().applies);
    EXPECT_EQ(o.passesUserPassword(), GetParam().userPassword);
}

INSTANTIATE_TEST_SUITE_P(Cases, SecurityRules,
                         ::testing::Values(SecurityCase{"EnabledWithBothPasswordsEmpty",
                                                        [](auto& o) { o.securityEnabled = true; },
                                                        false, false},
                                           SecurityCase{"OwnerPasswordAndEmptyUserPassword",
                                                        [](auto& o) {
                                                            o.securityEnabled = true;
                                                            o.ownerPassword = "own";
                                                        },
                                                        true, true},
                                           SecurityCase{"UserPasswordBoxUnchecked",
                                                        [](auto& o) {
                                                            o.securityEnabled = true;
                                                            o.ownerPassword = "own";
                                                            o.userPassword = "usr";
                                                            o.userPasswordEnabled = false;
                                                        },
                                                        true, false},
                                           SecurityCase{"OwnerBoxUncheckedKeepsTextButNoEncryption",
                                                        [](auto& o) {
                                                            o.securityEnabled = true;
                                                            o.ownerPassword = "own";
                                                            o.ownerPasswordEnabled = false;
                                                        },
                                                        false, false},
                                           SecurityCase{"HighLevelWithSecurityOffChangesNothing",
                                                        [](auto& o) {
                                                            o.encryptionLevel =
                                                                EncryptionLevel::High;
                                                            o.ownerPassword = "own";
                                                            o.userPassword = "usr";
                                                        },
                                                        false, false},
                                           SecurityCase{"UserPasswordAloneIsNotEnough",
                                                        [](auto& o) {
                                                            o.securityEnabled = true;
                                                            o.userPassword = "usr";
                                                        },
                                                        false, false}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(ConversionOptions, AnySingleInformationFieldCounts) {
    for (auto field : {&ConversionOptions::title, &ConversionOptions::subject,
                       &ConversionOptions::author, &ConversionOptions::keywords}) {
        ConversionOptions o;
        o.*field = "x";
        EXPECT_TRUE(o.hasDocumentInfo());
    }
    ConversionOptions twoLines;
    twoLines.keywords = "one\r\ntwo";
    EXPECT_TRUE(twoLines.hasDocumentInfo());
    EXPECT_EQ(twoLines.keywords, "one\r\ntwo");
}

TEST(ConversionOptions, CompatibilityLevelFromTheDigitAtPositionThree) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"V1.3(Acrobat 4.xx)", "1.3"}, // its "4" lies further on and does not count
        {"V1.4", "1.4"},
        {"V1.5", "1.5"},
        {"v1.5", "1.5"},
        {"V1.6", ""},
        {"", ""},
        {"1.5", ""},
        {"V1.33", "1.3"},
        {"V4.3", "1.3"}, // only the position of each digit's first occurrence matters
        {"V3.4", "1.4"},
    };
    for (const auto& [text, level] : cases) {
        ConversionOptions o;
        o.pdfVersion = text;
        EXPECT_EQ(o.compatibilityLevel(), level) << text;
    }
}
