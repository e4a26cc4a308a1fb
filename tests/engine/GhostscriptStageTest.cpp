#include "engine/GhostscriptStage.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/GhostscriptCommand.h"
#include "engine/GhostscriptError.h"
#include "engine/PdfSecurityCheck.h"
#include "engine/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

// Records what the stage hands to Ghostscript, as seen while the child would run.
class FakeRunner : public ProcessRunner {
public:
    std::function<Result(const std::string& outputPath)> act = [](const std::string& output) {
        TempDir::write(output, "%PDF-1.4 fake");
        return Result{0, 0, {}, {}};
    };
    std::vector<std::string> arguments;
    std::vector<Settings> settings;
    std::map<std::string, std::string> files; // name in the work folder -> content
    std::map<std::string, unsigned> modes;
    int calls = 0;

    Result run(const std::vector<std::string>& args, const Settings& given,
               BatchControl&) override {
        settings.push_back(given);
        ++calls;
        arguments = args;
        std::string output;
        for (const auto& arg : args) {
            if (arg.starts_with("-sOutputFile=")) {
                output = arg.substr(13);
            }
            const std::string path = arg.starts_with("@") ? arg.substr(1) : arg;
            struct stat info {};
            if (path.starts_with("/") && !path.starts_with("/dev/") &&
                ::stat(path.c_str(), &info) == 0) {
                const std::string name = fs::path(path).filename().string();
                files[name] = TempDir::read(path);
                modes[name] = info.st_mode & 07777;
            }
        }
        return act(output);
    }
};

// Records what the stage asks it to confirm; says a mismatch when told to.
class FakeCheck : public PdfSecurityCheck {
public:
    void verify(const std::string& path, const Expectation& expected) const override {
        EXPECT_TRUE(fs::exists(path));
        checked.push_back(expected);
        if (!mismatch.empty()) {
            throw Mismatch(mismatch);
        }
    }

    mutable std::vector<Expectation> checked;
    std::string mismatch;
};

class GhostscriptStageTest : public testing::Test {
protected:
    GhostscriptStageTest() {
        fs::create_directory(dir.file("work"));
        TempDir::write(job.printFile, "%!PS\nshowpage\n");
        options.title = "Report";
    }

    void expectFailure(const std::string& expectedPart) {
        try {
            stage.writePdf(job, options, control);
            ADD_FAILURE() << "no error";
        } catch (const GhostscriptError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("\"" + job.sourcePath + "\""), std::string::npos) << message;
            EXPECT_NE(message.find(expectedPart), std::string::npos) << message;
        }
        EXPECT_FALSE(fs::exists(job.outputPath));
        EXPECT_TRUE(fs::is_empty(job.workFolder));
    }

    TempDir dir;
    PdfStage::Job job{dir.file("print.ps"), "/docs/Report.docx", dir.file("Report.pdf"),
                      dir.file("work")};
    ConversionOptions options;
    BatchControl control;
    FakeRunner runner;
    FakeCheck check;
    std::string located = "/usr/bin/gs";
    GhostscriptStage stage{runner, [this] { return located; }, check};
};

TEST_F(GhostscriptStageTest, WritesTheParameterFilesRunsAndCleansUp) {
    stage.writePdf(job, options, control);

    EXPECT_EQ(TempDir::read(job.outputPath), "%PDF-1.4 fake");
    EXPECT_EQ(runner.arguments.front(), "/usr/bin/gs");
    const std::vector<std::string> lastThree(runner.arguments.end() - 3, runner.arguments.end());
    EXPECT_EQ(lastThree, (std::vector<std::string>{job.workFolder + "/distillerparams",
                                                   job.printFile, job.workFolder + "/pdfmarks"}));
    EXPECT_TRUE(runner.files["distillerparams"].starts_with("\n\n\n\n<<\n/CompressPages true"));
    EXPECT_EQ(runner.files["pdfmarks"], "[ /Title (Report) \n/DOCINFO pdfmark");
    EXPECT_TRUE(fs::is_empty(job.workFolder));
    // Ghostscript's own temporary files go into the work folder as well; it gets none of the
    // caller's GS_* variables, a time limit and nothing on its standard input.
    const auto& settings = runner.settings.back();
    EXPECT_EQ(settings.environment, (ProcessRunner::Environment{"TMPDIR=" + job.workFolder}));
    EXPECT_EQ(settings.removedPrefixes, (std::vector<std::string>{"GS_"}));
    EXPECT_EQ(settings.timeLimit, std::chrono::milliseconds(std::chrono::minutes(10)));
    EXPECT_FALSE(settings.standardInput);
    EXPECT_TRUE(check.checked.empty()) << "an unencrypted PDF needs no security check";
}

TEST_F(GhostscriptStageTest, PasswordsReachGhostscriptOnlyThroughItsStandardInput) {
    options.securityEnabled = true;
    options.ownerPassword = "top secret";
    options.userPassword = "open";
    options.encryptionLevel = EncryptionLevel::High;
    stage.writePdf(job, options, control);

    EXPECT_EQ(runner.settings.back().standardInput,
              "-sOwnerPassword=\"top secret\"\n-sUserPassword=\"open\"\n");
    EXPECT_NE(std::find(runner.arguments.begin(), runner.arguments.end(), "@/dev/stdin"),
              runner.arguments.end());
    for (const auto& arg : runner.arguments) {
        EXPECT_EQ(arg.find("secret"), std::string::npos) << arg;
        EXPECT_EQ(arg.find("open"), std::string::npos) << arg;
    }
    for (const auto& [name, content] : runner.files) {
        EXPECT_EQ(content.find("secret"), std::string::npos) << name << " holds a password";
    }

    // The written PDF is checked against what was asked for.
    ASSERT_EQ(check.checked.size(), 1u);
    const auto& expected = check.checked.front();
    EXPECT_EQ(expected.level, EncryptionLevel::High);
    EXPECT_EQ(expected.ownerPassword, "top secret");
    EXPECT_EQ(expected.userPassword, "open");
    EXPECT_EQ(expected.permissions, GhostscriptCommand::permissionValue(options));

    options.userPasswordEnabled = false;
    stage.writePdf(job, options, control);
    EXPECT_FALSE(check.checked.back().userPassword);
}

TEST_F(GhostscriptStageTest, APdfFailingTheSecurityCheckIsNotKept) {
    options.securityEnabled = true;
    options.ownerPassword = "owner";
    check.mismatch = "it opens without the User Password";
    expectFailure("the PDF's security is not as chosen: it opens without the User Password");
}

TEST_F(GhostscriptStageTest, ARunPastTheTimeLimitIsReportedWithTheLimit) {
    stage.setTimeLimit(std::chrono::seconds(90));
    runner.act = [](const std::string& output) {
        TempDir::write(output, "%PDF-1.4 partial");
        ProcessRunner::Result result{-1, 15, {}, {}};
        result.timedOut = true;
        return result;
    };
    expectFailure("Ghostscript did not finish within 90 seconds and was ended.");
    EXPECT_EQ(runner.settings.back().timeLimit, std::chrono::milliseconds(90000));
}

TEST_F(GhostscriptStageTest, FailuresNameTheDocumentAndLeaveNothingUsable) {
    using Result = ProcessRunner::Result;
    struct Case {
        const char* name;
        std::function<Result(const std::string&)> act;
        std::string expected;
    };
    const Case cases[] = {
        {"exit status with Ghostscript's error line",
         [](const std::string& output) {
             TempDir::write(output, "%PDF-1.7 half");
             return Result{1, 0, "GPL Ghostscript 10.00.0: Unrecoverable error, exit code 1\n",
                           "Error: /undefined in .setpdfwrite\nOperand stack:\n"};
         },
         "Ghostscript failed (exit status 1): Error: /undefined in .setpdfwrite"},
        {"success without a PDF",
         [](const std::string&) {
             return Result{0, 0, {}, {}};
         },
         "Ghostscript produced no PDF."},
        {"killed",
         [](const std::string&) {
             return Result{-1, 9, {}, {}};
         },
         "Ghostscript was ended by signal 9."},
        {"not started",
         [](const std::string&) -> Result {
             throw ProcessRunner::StartError("couldn't run: Permission denied");
         },
         "could not be started: couldn't run: Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        runner.act = c.act;
        expectFailure(c.expected);
    }
}

TEST_F(GhostscriptStageTest, NothingRunsWithoutGhostscriptOrPrintFileOrUsablePassword) {
    located.clear();
    GhostscriptStage missing{
        runner,
        []() -> std::string { throw std::runtime_error("Ghostscript (\"gs\") was not found"); },
        check};
    EXPECT_THROW(missing.writePdf(job, options, control), GhostscriptError);

    TempDir::write(job.printFile, "");
    expectFailure("the print file");

    TempDir::write(job.printFile, "%!PS\n");
    options.securityEnabled = true;
    options.ownerPassword = "line\nbreak";
    expectFailure("a password can't contain a line break");
    EXPECT_EQ(runner.calls, 0);
}

TEST_F(GhostscriptStageTest, AbandoningPassesThroughAfterCleanUp) {
    options.securityEnabled = true;
    options.ownerPassword = "pw";
    runner.act = [](const std::string& output) -> ProcessRunner::Result {
        TempDir::write(output, "%PDF-1.4 partial");
        throw BatchAbandoned();
    };
    EXPECT_THROW(stage.writePdf(job, options, control), BatchAbandoned);
    EXPECT_FALSE(fs::exists(job.outputPath));
    EXPECT_TRUE(fs::is_empty(job.workFolder));
}

TEST(GhostscriptErrorLine, PicksTheLineThatSaysWhy) {
    struct Case {
        std::string errorOutput, output, expected;
    };
    const Case cases[] = {
        {"GPL Ghostscript 10.00.0: Unrecoverable error, exit code 1\n",
         "Error: /undefinedfilename in (x.ps)\nOperand stack:\n\nLast OS error: No such file\n",
         "Error: /undefinedfilename in (x.ps)"},
        {"GPL Ghostscript 10.00.0: PDF 1.3 only supports 40 bits keys.\n"
         "**** Unable to open the initial device, quitting.\n",
         "", "PDF 1.3 only supports 40 bits keys."},
        {"GPL Ghostscript 10.00.0: **** Could not open the file /x/f.pdf .\r\n"
         "**** Unable to open the initial device, quitting.\n",
         "", "Could not open the file /x/f.pdf ."},
        {"GPL Ghostscript 10.00.0: Unrecoverable error, exit code 1\n", "banner\n", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GhostscriptError::lastErrorLine(c.errorOutput, c.output), c.expected);
    }
}

} // namespace
