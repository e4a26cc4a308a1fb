#include "app/cli/CommandLine.h"

#include "engine/OptionTable.h"
#include "engine/ProductNames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace zarta;
using Settings = CommandLine::Settings;

namespace {

struct ParseCase {
    const char* name;
    std::vector<std::string> arguments;
    std::function<void(const Settings&)> check;
};

class Parsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parsing, GivesTheRecordTheOptionPagesWouldGive) {
    GetParam().check(CommandLine::parse(GetParam().arguments));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Parsing,
    ::testing::Values(
        ParseCase{"Defaults",
                  {"a.docx"},
                  [](const Settings& s) {
                      EXPECT_EQ(s.files, std::vector<std::string>{"a.docx"});
                      EXPECT_EQ(s.outputFolder, "out");
                      ConversionOptions noSecurity;
                      noSecurity.userPasswordEnabled = false;
                      noSecurity.ownerPasswordEnabled = false;
                      EXPECT_EQ(s.options, noSecurity);
                      EXPECT_EQ(s.overwrite, CommandLine::Overwrite::Ask);
                  }},
        ParseCase{"InformationBothForms",
                  {"--title=Q3 (draft) \\ final", "--author", "Ünïcödé", "--keywords", "one\ntwo",
                   "x.doc", "--subject=", "y.doc"},
                  [](const Settings& s) {
                      EXPECT_EQ(s.options.title, "Q3 (draft) \\ final");
                      EXPECT_EQ(s.options.author, "Ünïcödé");
                      EXPECT_EQ(s.options.keywords, "one\ntwo");
                      EXPECT_EQ(s.options.subject, "");
                      EXPECT_EQ(s.files, (std::vector<std::string>{"x.doc", "y.doc"}));
                  }},
        ParseCase{"OwnerPasswordAloneEncryptsWithoutUserPassword",
                  {"--owner-password", "o", "a.doc"},
                  [](const Settings& s) {
                      EXPECT_TRUE(s.options.securityApplies());
                      EXPECT_FALSE(s.options.passesUserPassword());
                  }},
        ParseCase{"FullSecurity",
                  {"--owner-password=o", "--user-password=", "--encryption=HIGH",
                   "--allow=copy,printing", "a.doc"},
                  [](const Settings& s) {
                      EXPECT_TRUE(s.options.passesUserPassword());
                      EXPECT_EQ(s.options.userPassword, "");
                      EXPECT_EQ(s.options.encryptionLevel, EncryptionLevel::High);
                      EXPECT_TRUE(s.options.contentCopying);
                      EXPECT_TRUE(s.options.printing);
                      EXPECT_FALSE(s.options.formFilling);
                      EXPECT_FALSE(s.options.documentChanging);
                  }},
        ParseCase{"ListValuesMapToTheExactListTexts",
                  {"--pdf-version=1.3", "--images=jpeg", "--jpeg-quality=maximum",
                   "--compression=lzw", "a.doc"},
                  [](const Settings& s) {
                      EXPECT_EQ(s.options.pdfVersion, PdfVersion::V1_3);
                      EXPECT_EQ(s.options.imagesCompression, ImageCompression::Jpeg);
                      EXPECT_EQ(s.options.jpegQuality, JpegQuality::Maximum);
                      EXPECT_EQ(s.options.documentCompression, DocumentCompression::Lzw);
                  }},
        ParseCase{"VersionByListText",
                  {"--pdf-version", "V1.5", "a.doc"},
                  [](const Settings& s) { EXPECT_EQ(s.options.pdfVersion, PdfVersion::V1_5); }},
        ParseCase{"OverwritePoliciesAndDashDash",
                  {"--no-overwrite", "--out", "/tmp/o", "--", "--title.docx"},
                  [](const Settings& s) {
                      EXPECT_EQ(s.overwrite, CommandLine::Overwrite::Never);
                      EXPECT_EQ(s.outputFolder, "/tmp/o");
                      EXPECT_EQ(s.files, std::vector<std::string>{"--title.docx"});
                  }},
        ParseCase{"ScriptOptions",
                  {"-r", "--files-from", "-", "-0", "--report=r.json", "--offices", "3", "-q",
                   "--shard", "2/5", "docs"},
                  [](const Settings& s) {
                      EXPECT_TRUE(s.recursive);
                      EXPECT_EQ(s.filesFrom, "-");
                      EXPECT_TRUE(s.nulSeparated);
                      EXPECT_EQ(s.report, "r.json");
                      EXPECT_EQ(s.offices, 3);
                      EXPECT_TRUE(s.quiet);
                      ASSERT_TRUE(s.shard);
                      EXPECT_EQ(s.shard->index(), 2u);
                      EXPECT_EQ(s.shard->count(), 5u);
                      EXPECT_EQ(s.files, std::vector<std::string>{"docs"});
                  }},
        ParseCase{"ScriptOptionsLongFormsAndDefaults",
                  {"--recursive", "--null", "--quiet", "--files-from=list", "--offices=16"},
                  [](const Settings& s) {
                      EXPECT_TRUE(s.recursive && s.nulSeparated && s.quiet);
                      EXPECT_TRUE(s.files.empty());
                      EXPECT_EQ(s.offices, 16);
                      EXPECT_FALSE(s.shard);
                      EXPECT_FALSE(s.report);
                  }},
        ParseCase{"ListAloneNeedsNoFiles",
                  {"--files-from", "list"},
                  [](const Settings& s) {
                      EXPECT_EQ(s.offices, 0);
                      EXPECT_FALSE(s.quiet || s.recursive || s.nulSeparated);
                  }},
        ParseCase{"HelpNeedsNoFiles", {"--help"}, [](const Settings& s) { EXPECT_TRUE(s.help); }},
        ParseCase{"VersionNeedsNoFiles",
                  {"--version"},
                  [](const Settings& s) { EXPECT_TRUE(s.version); }}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(CommandLine, RefusesWhatWouldBeSilentlyIgnoredOrCannotRun) {
    const std::vector<std::vector<std::string>> refused{
        {},
        {"--out"},
        {"--colour=red", "a.doc"},
        {"--user-password=u", "a.doc"},
        {"--encryption=high", "a.doc"},
        {"--allow=printing", "a.doc"},
        {"--owner-password=", "a.doc"},
        {"--owner-password=o", "--encryption=medium", "a.doc"},
        {"--owner-password=o", "--allow=print", "a.doc"},
        {"--images=PNG", "a.doc"},
        {"--pdf-version=1.7", "a.doc"},
        {"--compression=VLZW", "a.doc"},
        {"--owner-password-file=/nonexistent/pw", "a.doc"},
        {"--overwrite", "--no-overwrite", "a.doc"},
        {"--no-overwrite", "a.doc", "--overwrite"},
        {"--offices", "0", "a.doc"},
        {"--offices", "-1", "a.doc"},
        {"--offices", "17", "a.doc"},
        {"--offices", "two", "a.doc"},
        {"--offices", "2x", "a.doc"},
        {"--offices", "", "a.doc"},
        {"--offices"},
        {"--shard", "0/2", "a.doc"},
        {"--shard", "3/2", "a.doc"},
        {"--shard", "1/0", "a.doc"},
        {"--shard", "1", "a.doc"},
        {"--shard", "-1/2", "a.doc"},
        {"--shard", "1/2/3", "a.doc"},
        {"--shard", " 1/2", "a.doc"},
        {"-0", "a.doc"},
        {"--files-from"},
        {"--report"},
    };
    for (const auto& arguments : refused) {
        std::string line;
        for (const auto& a : arguments) {
            line += a + " ";
        }
        EXPECT_THROW(CommandLine::parse(arguments), CommandLine::UsageError) << line;
    }
}

TEST(CommandLine, PasswordFilesGiveTheirFirstLine) {
    char path[] = "/tmp/zarta-pw-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::ofstream(path) << "se cr\"et\\\r\nsecond line\n";
    const auto s =
        CommandLine::parse({std::string("--owner-password-file=") + path, "--user-password-file",
                            path, "--document-password-file", path, "a.doc"});
    std::remove(path);
    EXPECT_EQ(s.options.ownerPassword, "se cr\"et\\");
    EXPECT_EQ(s.options.userPassword, "se cr\"et\\");
    EXPECT_TRUE(s.hasDocumentPassword);
    EXPECT_EQ(s.documentPassword, "se cr\"et\\");
    EXPECT_TRUE(s.warnings.empty()) << "mkstemp makes the file private";
}

TEST(CommandLine, PasswordFilesOthersCanReadAreUsedWithAWarning) {
    char path[] = "/tmp/zarta-pw-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::ofstream(path) << "secret\n";
    for (const unsigned mode : {0640u, 0604u, 0644u}) {
        SCOPED_TRACE(mode);
        ::chmod(path, mode);
        const auto s = CommandLine::parse({"--owner-password-file", path, "a.doc"});
        EXPECT_EQ(s.options.ownerPassword, "secret");
        ASSERT_EQ(s.warnings.size(), 1u);
        EXPECT_NE(s.warnings[0].find(std::string("--owner-password-file: \"") + path),
                  std::string::npos)
            << s.warnings[0];
        EXPECT_NE(s.warnings[0].find("can be read by other users"), std::string::npos);
    }
    std::remove(path);
}

// Each word of the option table is taken, and the help lists it with the setting's default.
template <typename Value, std::size_t N>
void expectEveryWordTaken(const std::string& option,
                          const std::array<OptionTable::Choice<Value>, N>& choices,
                          Value ConversionOptions::*setting) {
    const std::string help = CommandLine::usage("zarta-convert");
    std::string listed;
    for (const auto& choice : choices) {
        listed += (listed.empty() ? "" : "|") + std::string(choice.word);
        const std::vector<std::string> arguments{"--owner-password=o",
                                                 option + "=" + std::string(choice.word), "a.doc"};
        EXPECT_EQ(CommandLine::parse(arguments).options.*setting, choice.value) << choice.word;
    }
    EXPECT_NE(help.find(option + " " + listed), std::string::npos) << option;
    const auto& defaultChoice = OptionTable::choiceFor(choices, ConversionOptions{}.*setting);
    const auto line = help.substr(help.find(option + " "));
    EXPECT_NE(
        line.substr(0, line.find('\n')).find("(default: " + std::string(defaultChoice.word) + ")"),
        std::string::npos)
        << option;
}

TEST(CommandLine, TakesEveryWordOfTheOptionTableAndItsHelpListsThemWithTheDefault) {
    expectEveryWordTaken("--compression", OptionTable::documentCompression,
                         &ConversionOptions::documentCompression);
    expectEveryWordTaken("--images", OptionTable::imagesCompression,
                         &ConversionOptions::imagesCompression);
    expectEveryWordTaken("--jpeg-quality", OptionTable::jpegQuality,
                         &ConversionOptions::jpegQuality);
    expectEveryWordTaken("--pdf-version", OptionTable::pdfVersion, &ConversionOptions::pdfVersion);
    expectEveryWordTaken("--encryption", OptionTable::encryptionLevel,
                         &ConversionOptions::encryptionLevel);
    for (const auto& permission : OptionTable::permissions) {
        const auto s = CommandLine::parse(
            {"--owner-password=o", "--allow=" + std::string(permission.word), "a.doc"});
        EXPECT_TRUE(s.options.*permission.allowed) << permission.word;
    }
}

} // namespace

// The version line names the converter and the product and ends with the version, which is where
// the manual page's generator and packaging scripts read it; the help lists --version.
TEST(CommandLine, VersionLineEndsWithTheProductVersion) {
    const std::string line = CommandLine::version();
    EXPECT_EQ(line, "zarta-convert (" + std::string(ProductNames::product) + ") " +
                        std::string(ProductNames::version) + "\n");
    EXPECT_NE(CommandLine::usage("zarta-convert").find("\n  --version "), std::string::npos);
}
