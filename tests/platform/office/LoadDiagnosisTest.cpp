#include "platform/office/LoadDiagnosis.h"

#include <gtest/gtest.h>

#include <functional>

using zarta::LoadDiagnosis;
using zarta::WordError;

namespace {

// Office error codes as the office reports them: area << 13 | class << 8 | number.
constexpr std::uint32_t code(std::uint32_t area, std::uint32_t errorClass, std::uint32_t number) {
    return (area << 13) | (errorClass << 8) | number;
}

struct Case {
    const char* name;
    std::function<void(LoadDiagnosis&)> report;
    WordError::Kind kind;
    const char* detail;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class LoadDiagnosisTest : public testing::TestWithParam<Case> {};

TEST_P(LoadDiagnosisTest, TellsAPasswordFromEveryOtherFailure) {
    LoadDiagnosis diagnosis;
    GetParam().report(diagnosis);
    const WordError error = diagnosis.failure();
    EXPECT_EQ(error.kind(), GetParam().kind);
    EXPECT_NE(std::string(error.what()).find(GetParam().detail), std::string::npos) << error.what();
}

INSTANTIATE_TEST_SUITE_P(
    Reports, LoadDiagnosisTest,
    testing::Values(
        Case{"PasswordRequest", [](LoadDiagnosis& d) { d.passwordRequested(); },
             WordError::Kind::PasswordRequired, "password"},
        Case{"PasswordRequestThenAbort",
             [](LoadDiagnosis& d) {
                 d.passwordRequested();
                 d.errorCode(code(0, 1, 27));
             },
             WordError::Kind::PasswordRequired, "password"},
        Case{"WrongPasswordOfWord97Import", [](LoadDiagnosis& d) { d.errorCode(0x1000F); },
             WordError::Kind::PasswordRequired, "password"},
        Case{"WrongPasswordOfPackage", [](LoadDiagnosis& d) { d.errorCode(code(2, 11, 11)); },
             WordError::Kind::PasswordRequired, "password"},
        Case{"WrongPasswordWithDynamicPart",
             [](LoadDiagnosis& d) { d.errorCode(0x1000F | (3u << 26)); },
             WordError::Kind::PasswordRequired, "password"},
        Case{"UnsupportedEncryption", [](LoadDiagnosis& d) { d.errorCode(code(8, 11, 16)); },
             WordError::Kind::CannotOpen, "protected with an encryption the word processor"},
        Case{"BrokenPackageQuestion", [](LoadDiagnosis& d) { d.brokenPackage(); },
             WordError::Kind::CannotOpen, "damaged"},
        Case{"BrokenPackageError", [](LoadDiagnosis& d) { d.errorCode(code(0, 15, 38)); },
             WordError::Kind::CannotOpen, "damaged"},
        Case{"NotAWord97File", [](LoadDiagnosis& d) { d.errorCode(code(56, 11, 14)); },
             WordError::Kind::CannotOpen, "damaged or is not a Word document"},
        Case{"GeneralInputError", [](LoadDiagnosis& d) { d.errorCode(code(0, 2, 13)); },
             WordError::Kind::CannotOpen, "damaged or is not a Word document"},
        Case{"Missing", [](LoadDiagnosis& d) { d.errorCode(code(0, 3, 2)); },
             WordError::Kind::CannotOpen, "does not exist"},
        Case{"AccessDenied", [](LoadDiagnosis& d) { d.errorCode(code(0, 5, 7)); },
             WordError::Kind::CannotOpen, "permission denied"},
        Case{"WarningBeforeTheError",
             [](LoadDiagnosis& d) {
                 d.errorCode(0x80000000u | code(2, 11, 11));
                 d.errorCode(code(56, 11, 2));
             },
             WordError::Kind::CannotOpen, "damaged or is not a Word document"},
        Case{"NothingReported", [](LoadDiagnosis&) {}, WordError::Kind::CannotOpen,
             "could not read it"},
        // An encrypted package the office gives up on without asking for its password.
        Case{"EncryptedPackageNotRecognised",
             [](LoadDiagnosis& d) {
                 d.encryptedPackage();
                 d.errorCode(code(0, 2, 13));
             },
             WordError::Kind::CannotOpen,
             "it is protected with an encryption the word processor cannot open"},
        Case{"EncryptedPackageBroken",
             [](LoadDiagnosis& d) {
                 d.encryptedPackage();
                 d.brokenPackage();
             },
             WordError::Kind::CannotOpen, "protected with an encryption"},
        Case{"EncryptedPackageNothingReported", [](LoadDiagnosis& d) { d.encryptedPackage(); },
             WordError::Kind::CannotOpen, "protected with an encryption"},
        // One it knows asks for the password, and one it cannot find is missing either way.
        Case{"EncryptedPackageWrongPassword",
             [](LoadDiagnosis& d) {
                 d.encryptedPackage();
                 d.errorCode(code(2, 11, 11));
             },
             WordError::Kind::PasswordRequired, "password"},
        Case{"EncryptedPackagePasswordRequest",
             [](LoadDiagnosis& d) {
                 d.encryptedPackage();
                 d.passwordRequested();
                 d.errorCode(code(0, 15, 38));
             },
             WordError::Kind::PasswordRequired, "password"},
        Case{"EncryptedPackageMissing",
             [](LoadDiagnosis& d) {
                 d.encryptedPackage();
                 d.errorCode(code(0, 3, 2));
             },
             WordError::Kind::CannotOpen, "does not exist"}),
    [](const testing::TestParamInfo<Case>& test) { return std::string(test.param.name); });

TEST(LoadDiagnosisOrderTest, AskedForPasswordOnlyWhenTheOfficeAsked) {
    LoadDiagnosis damaged;
    damaged.errorCode(code(56, 11, 14));
    damaged.brokenPackage();
    EXPECT_FALSE(damaged.askedForPassword());

    LoadDiagnosis asked;
    asked.brokenPackage();
    asked.passwordRequested();
    EXPECT_TRUE(asked.askedForPassword());
}

} // namespace
