#include "engine/GhostscriptCommand.h"

#include "engine/ConversionOptions.h"
#include "engine/OutputNaming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>

using namespace zarta;

namespace {

const std::string exe = "/usr/bin/gs";
const std::string printFile = "/data/tmp.ps";
const std::string pdfmarks = "/data/pdfmarks";

GhostscriptCommand commandFor(const ConversionOptions& options,
                              const std::string& destination = "/out") {
    return GhostscriptCommand(options, {exe, printFile, pdfmarks,
                                        OutputNaming::pdfPath(destination, "/docs/Report.docx")});
}

ConversionOptions secured(EncryptionLevel level) {
    ConversionOptions options;
    options.securityEnabled = true;
    options.ownerPassword = "o";
    options.encryptionLevel = level;
    return options;
}

// The arguments of a run: the level, the encryption switches (empty when none) and the output.
std::vector<std::string> runArguments(const std::string& level,
                                      const std::vector<std::string>& encryption,
                                      const std::string& output = "/out/Report.pdf") {
    std::vector<std::string> args{exe,
                                  "-dSAFER",
                                  "-dNOPAUSE",
                                  "-dBATCH",
                                  "-sDEVICE=pdfwrite",
                                  "-dCompatibilityLevel=" + level,
                                  "-dPassThroughJPEGImages=false",
                                  "-dPassThroughJPXImages=false",
                                  "-dAutoRotatePages=/None",
                                  "-dNEWPDF=false"};
    if (level == "1.3") {
        args.emplace_back("-dNOTRANSPARENCY");
    }
    args.insert(args.end(), encryption.begin(), encryption.end());
    for (const std::string& arg :
         {"-sOutputFile=" + output, std::string("-c"),
          std::string("/.setpdfwrite where { pop .setpdfwrite } if"), std::string("-f"),
          std::string("/data/params"), printFile, pdfmarks}) {
        args.push_back(arg);
    }
    return args;
}

struct ArgumentsCase {
    const char* name;
    std::function<void(ConversionOptions&)> change;
    std::string destination;
    std::vector<std::string> expected;
    std::string passwordFile;
};

class CommandArgumentsFor : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandArgumentsFor, LevelEncryptionAndPasswords) {
    ConversionOptions options;
    GetParam().change(options);
    const GhostscriptCommand command = commandFor(options, GetParam().destination);
    EXPECT_EQ(command.arguments({"/data/params", "/data/pw"}), GetParam().expected);
    EXPECT_EQ(command.passwordFileText(), GetParam().passwordFile);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandArgumentsFor,
    testing::Values(
        ArgumentsCase{"Defaults", [](ConversionOptions&) {}, "/out", runArguments("1.3", {}), ""},
        ArgumentsCase{"TrailingSeparator", [](ConversionOptions&) {}, "/out/",
                      runArguments("1.3", {}), ""},
        ArgumentsCase{"Version15", [](ConversionOptions& o) { o.pdfVersion = PdfVersion::V1_5; },
                      "/out", runArguments("1.5", {}), ""},
        ArgumentsCase{"EmptyOwnerPasswordMeansNoSwitches",
                      [](ConversionOptions& o) {
                          o = secured(EncryptionLevel::High);
                          o.ownerPassword.clear();
                          o.userPassword = "u";
                          o.printing = true;
                      },
                      "/out", runArguments("1.3", {}), ""},
        ArgumentsCase{"OwnerPasswordDisabled",
                      [](ConversionOptions& o) {
                          o = secured(EncryptionLevel::Low);
                          o.ownerPasswordEnabled = false;
                      },
                      "/out", runArguments("1.3", {}), ""},
        ArgumentsCase{"SecurityDisabled",
                      [](ConversionOptions& o) {
                          o = secured(EncryptionLevel::High);
                          o.securityEnabled = false;
                      },
                      "/out", runArguments("1.3", {}), ""},
        ArgumentsCase{"LowNoFlagsEmptyUserPassword",
                      [](ConversionOptions& o) { o = secured(EncryptionLevel::Low); }, "/out",
                      runArguments("1.3", {"@/data/pw", "-dEncryptionR=2", "-dKeyLength=40",
                                           "-dPermissions=-64"}),
                      "-sOwnerPassword=\"o\"\n-sUserPassword=\"\"\n"},
        ArgumentsCase{"LowPrintingOnly",
                      [](ConversionOptions& o) {
                          o = secured(EncryptionLevel::Low);
                          o.userPassword = "u";
                          o.printing = true;
                      },
                      "/out",
                      runArguments("1.3", {"@/data/pw", "-dEncryptionR=2", "-dKeyLength=40",
                                           "-dPermissions=-60"}),
                      "-sOwnerPassword=\"o\"\n-sUserPassword=\"u\"\n"},
        ArgumentsCase{"HighAllFlagsRaisesTheLevel",
                      [](ConversionOptions& o) {
                          o = secured(EncryptionLevel::High);
                          o.contentCopying = o.formFilling = o.documentChanging = o.printing = true;
                      },
                      "/out",
                      runArguments("1.4", {"@/data/pw", "-dEncryptionR=3", "-dKeyLength=128",
                                           "-dPermissions=-4"}),
                      "-sOwnerPassword=\"o\"\n-sUserPassword=\"\"\n"},
        ArgumentsCase{"UserPasswordDisabled",
                      [](ConversionOptions& o) {
                          o = secured(EncryptionLevel::High);
                          o.pdfVersion = PdfVersion::V1_5;
                          o.userPasswordEnabled = false;
                          o.userPassword = "u";
                      },
                      "/out",
                      runArguments("1.5", {"@/data/pw", "-dEncryptionR=3", "-dKeyLength=128",
                                           "-dPermissions=-3392"}),
                      "-sOwnerPassword=\"o\"\n"}),
    [](const auto& test) { return std::string(test.param.name); });

// The level a command asks Ghostscript for.
std::string levelOf(const GhostscriptCommand& command) {
    for (const std::string& arg : command.arguments({"/data/params", "/data/pw"})) {
        if (arg.starts_with("-dCompatibilityLevel=")) {
            return arg.substr(arg.find('=') + 1);
        }
    }
    return {};
}

TEST(PermissionValue, EachTickedActionIsAllowedAndEachOtherDenied) {
    // Bits of the PDF permission value: print 3, modify 4, copy 5, annotate 6, fill forms 9,
    // accessibility 10, assemble 11, high-quality print 12; bits 1 and 2 are always clear.
    struct Case {
        EncryptionLevel level;
        bool copy, form, change, print;
        int expected;
    };
    const Case cases[] = {
        {EncryptionLevel::Low, false, false, false, false, -64},
        {EncryptionLevel::Low, true, false, false, false, -48},
        {EncryptionLevel::Low, false, true, false, false, -32},
        {EncryptionLevel::Low, false, false, true, false, -56},
        {EncryptionLevel::Low, false, false, false, true, -60},
        {EncryptionLevel::Low, true, true, true, true, -4},
        {EncryptionLevel::High, false, false, false, false, -3392},
        {EncryptionLevel::High, true, false, false, false, -3376},
        {EncryptionLevel::High, true, true, false, false, -3088},
        {EncryptionLevel::High, false, false, true, false, -2360},
        {EncryptionLevel::High, false, false, false, true, -1340},
        {EncryptionLevel::High, true, true, true, true, -4},
    };
    for (const auto& c : cases) {
        ConversionOptions options = secured(c.level);
        options.contentCopying = c.copy;
        options.formFilling = c.form;
        options.documentChanging = c.change;
        options.printing = c.print;
        const int value = GhostscriptCommand::permissionValue(options);
        EXPECT_EQ(value, c.expected) << "level " << static_cast<int>(c.level) << " flags " << c.copy
                                     << c.form << c.change << c.print;
        EXPECT_EQ(value & 3, 0);
        EXPECT_NE(value & (1 << 9), 0) << "accessibility extraction stays allowed";
        EXPECT_EQ(commandFor(options).permissionValue(), value);
    }
}

TEST(CommandArguments, PasswordsGoThroughTheArgumentFileOnly) {
    ConversionOptions options = secured(EncryptionLevel::High);
    options.ownerPassword = "Own3r secret";
    options.userPassword = "us\"er";
    options.contentCopying = true;
    const auto command = commandFor(options);
    const auto args = command.arguments({"/data/params", "/data/pw"});

    for (const auto& arg : args) {
        EXPECT_EQ(arg.find("Own3r"), std::string::npos) << arg;
        EXPECT_EQ(arg.find("us\"er"), std::string::npos) << arg;
        EXPECT_EQ(arg.find("Password"), std::string::npos) << arg;
    }
    for (const char* expected : {"@/data/pw", "-dEncryptionR=3", "-dKeyLength=128",
                                 "-dPermissions=-3376", "-dCompatibilityLevel=1.4"}) {
        EXPECT_NE(std::find(args.begin(), args.end(), expected), args.end()) << expected;
    }
    EXPECT_EQ(command.passwordFileText(),
              "-sOwnerPassword=\"Own3r secret\"\n-sUserPassword=\"us\\\"er\"\n");
}

TEST(CommandArguments, HighEncryptionRaisesOnlyLevel13) {
    struct Case {
        PdfVersion version;
        const char* low;
        const char* high;
    };
    const Case cases[] = {{PdfVersion::V1_3, "1.3", "1.4"},
                          {PdfVersion::V1_4, "1.4", "1.4"},
                          {PdfVersion::V1_5, "1.5", "1.5"}};
    for (const auto& c : cases) {
        ConversionOptions options = secured(EncryptionLevel::High);
        options.pdfVersion = c.version;
        EXPECT_EQ(levelOf(commandFor(options)), c.high) << c.low;
        options.encryptionLevel = EncryptionLevel::Low;
        EXPECT_EQ(levelOf(commandFor(options)), c.low);
    }
}

TEST(CommandArguments, TransparencyIsDrawnOpaqueOnlyAtALevelThatCannotHoldIt) {
    struct Case {
        PdfVersion version;
        std::optional<EncryptionLevel> encryption;
        bool opaque;
    };
    const Case cases[] = {
        {PdfVersion::V1_3, std::nullopt, true},
        {PdfVersion::V1_3, EncryptionLevel::Low, true},
        {PdfVersion::V1_3, EncryptionLevel::High, false}, // raised to 1.4
        {PdfVersion::V1_4, std::nullopt, false},
        {PdfVersion::V1_5, std::nullopt, false},
    };
    for (const auto& c : cases) {
        ConversionOptions options = c.encryption ? secured(*c.encryption) : ConversionOptions{};
        options.pdfVersion = c.version;
        const auto args = commandFor(options).arguments({"/data/params", "/data/pw"});
        const bool opaque = std::find(args.begin(), args.end(), "-dNOTRANSPARENCY") != args.end();
        EXPECT_EQ(opaque, c.opaque)
            << levelOf(commandFor(options)) << " encrypted: " << c.encryption.has_value();
    }
}

TEST(CommandArguments, PathsCanOnlyBeReadAsFileNames) {
    const ConversionOptions options = secured(EncryptionLevel::Low);
    const GhostscriptCommand command(options, {exe, "-print.ps", "@marks", "|out/50% done %d.pdf"});
    const auto args = command.arguments({"params", "pw"});
    const std::vector<std::string> files(args.end() - 3, args.end());
    EXPECT_EQ(files, (std::vector<std::string>{"./params", "./-print.ps", "./@marks"}));
    EXPECT_NE(std::find(args.begin(), args.end(), "-sOutputFile=./|out/50%% done %%d.pdf"),
              args.end());
    EXPECT_NE(std::find(args.begin(), args.end(), "@./pw"), args.end());
}

TEST(PasswordFile, QuotesEachPasswordSoGhostscriptReadsItBackExactly) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"q\"uote", "\"q\\\"uote\""},
        {"back\\slash", "\"back\\slash\""},
        {"ends\\", "\"ends\\\\\n\""},
        {"\\\"", "\"\\\\\"\""},
        {"\" \"", "\"\\\" \\\"\""},
    };
    for (const auto& [password, quoted] : cases) {
        ConversionOptions options = secured(EncryptionLevel::Low);
        options.ownerPassword = "x";
        options.userPassword = password;
        EXPECT_EQ(commandFor(options).passwordFileText(),
                  "-sOwnerPassword=\"x\"\n-sUserPassword=" + quoted + "\n")
            << password;
    }
}

TEST(PasswordFile, RefusesLineBreaksAndIsEmptyWithoutEncryption) {
    for (const std::string& bad :
         {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3)}) {
        ConversionOptions options = secured(EncryptionLevel::Low);
        options.userPassword = bad;
        EXPECT_THROW(commandFor(options).passwordFileText(), std::invalid_argument);
    }
    EXPECT_EQ(commandFor(ConversionOptions{}).passwordFileText(), "");
}

TEST(KeptInterpreter, PageDeviceCarriesTheRunsLevelEncryptionAndOutput) {
    struct Case {
        const char* name;
        std::function<void(ConversionOptions&)> set;
        std::string expected;
    };
    const std::string start =
        "<< /OutputDevice /pdfwrite /OutputFile <2F6F75742F5265706F72742E706466>"
        " /CompatibilityLevel ";
    const std::string images = " /PassThroughJPEGImages false /PassThroughJPXImages false"
                               " /AutoRotatePages /None";
    const Case cases[] = {
        {"defaults", [](ConversionOptions&) {}, start + "1.3" + images + " >> setpagedevice"},
        {"low, printing allowed, no user password",
         [](ConversionOptions& o) {
             o = secured(EncryptionLevel::Low);
             o.ownerPassword = "(o)";
             o.userPasswordEnabled = false;
             o.printing = true;
         },
         start + "1.3" + images +
             " /OwnerPassword <286F29> /EncryptionR 2 /KeyLength 40 /Permissions -60 >> "
             "setpagedevice"},
        {"high raises 1.3, empty user password is passed",
         [](ConversionOptions& o) {
             o = secured(EncryptionLevel::High);
             o.userPasswordEnabled = true;
             o.userPassword = "";
         },
         start + "1.4" + images +
             " /OwnerPassword <6F> /UserPassword <> /EncryptionR 3 /KeyLength 128 /Permissions "
             "-3392 >> setpagedevice"},
        {"non-ASCII password bytes unchanged",
         [](ConversionOptions& o) {
             o = secured(EncryptionLevel::Low);
             o.ownerPassword = "\xC3\xA9";
             o.userPassword = "u";
             o.pdfVersion = PdfVersion::V1_5;
         },
         start + "1.5" + images +
             " /OwnerPassword <C3A9> /UserPassword <75> /EncryptionR 2 /KeyLength 40 /Permissions "
             "-64 >> "
             "setpagedevice"},
    };
    for (const auto& c : cases) {
        ConversionOptions options;
        c.set(options);
        EXPECT_EQ(commandFor(options).pageDeviceText(), c.expected) << c.name;
    }
    // A "%" in the output path is doubled, as on the command line.
    const GhostscriptCommand percent(ConversionOptions{}, {exe, printFile, pdfmarks, "/o/%d"});
    EXPECT_NE(percent.pageDeviceText().find("/OutputFile <2F6F2F252564>"), std::string::npos);
}

TEST(KeptInterpreter, StartsWithoutDeviceOrFilesAndReadsOnlyItsFolder) {
    ConversionOptions options;
    const auto opaque = commandFor(options).interpreterArguments("/data/gs-1");
    EXPECT_EQ(opaque, (std::vector<std::string>{exe, "-q", "-dSAFER", "-dNOPAUSE", "-dNODISPLAY",
                                                "-dNOPROMPT", "-dNEWPDF=false", "-dNOTRANSPARENCY",
                                                "--permit-file-all=/data/gs-1/"}));
    options.pdfVersion = PdfVersion::V1_4;
    const auto args = commandFor(options).interpreterArguments("/data/gs-1");
    EXPECT_EQ(std::find(args.begin(), args.end(), "-dNOTRANSPARENCY"), args.end());
}

} // namespace
