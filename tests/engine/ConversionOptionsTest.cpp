#include "engine/ConversionOptions.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zarta;

TEST(ConversionOptions, DefaultsAskForNoInformationAndNoSecurity) {
    const ConversionOptions o;
    EXPECT_FALSE(o.hasDocumentInfo());
    EXPECT_FALSE(o.securityApplies());
    EXPECT_FALSE(o.passesUserPassword());
    EXPECT_TRUE(o.userPasswordEnabled);
    EXPECT_TRUE(o.ownerPasswordEnabled);
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
