#include "GhostscriptStage.h"

#include "BatchAbandoned.h"
#include "BatchControl.h"
#include "ConversionOptions.h"
#include "GhostscriptError.h"
#include "ProcessRunner.h"
#include "TempDir.h"

#include <gtest/gtest.h>

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
    std::vector<Environment> environments;
    std::map<std::string, std::string> files; // name in the work folder -> content
    std::map<std::string, unsigned> modes;
    int calls = 0;

    Result run(const std::vector<std::string>& args, const Environment& environment,
               BatchControl&) override {
        environments.push_back(environment);
        ++calls;
        arguments = args;
        std::string output;
        for (const auto& arg : args) {
            if (arg.starts_with("-sOutputFile=")) {
                output = arg.substr(13);
            }
            const std::string path = arg.starts_with("@") ? arg.substr(1) : arg;
            struct stat info {};
            if (path.starts_with("/") && ::stat(path.c_str(), &info) == 0) {
                const std::string name = fs::path(path).filename().string();
                files[name] = TempDir::read(path);
                modes[name] = info.st_mode & 07777;
            }
        }
        return act(output);
    }
};

class GhostscriptStageTest : public testing::Test {
protected:
    GhostscriptStageTest() {
        fs::create_directory(dir.file("work"));
        TempDir::write(job.printFile, "%!PS\nshowpage\n");
        TempDir::write(job.outputPath, "");
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
        EXPECT_EQ(fs::file_size(job.outputPath), 0u);
        EXPECT_TRUE(fs::is_empty(job.workFolder));
    }

    TempDir dir;
    PdfStage::Job job{dir.file("print.ps"), "/docs/Report.docx", dir.file("Report.pdf"),
                      dir.file("work")};
    ConversionOptions options;
    BatchControl control;
    FakeRunner runner;
    std::string located = "/usr/bin/gs";
    GhostscriptStage stage{runner, [this] { return located; }};
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
    EXPECT_EQ(runner.files.count("gsargs"), 0u);
    EXPECT_TRUE(fs::is_empty(job.workFolder));
    // Ghostscript's own temporary files go into the work folder as well.
    EXPECT_EQ(runner.environments.back(), (ProcessRunner::Environment{"TMPDIR=" + job.workFolder}));
}

TEST_F(GhostscriptStageTest, PasswordsLiveInAPrivateArgumentFileDuringTheRunOnly) {
    options.securityEnabled = true;
    options.ownerPassword = "top secret";
    options.userPassword = "open";
    stage.writePdf(job, options, control);

    EXPECT_EQ(runner.files["gsargs"], "-sOwnerPassword=\"top secret\"\n-sUserPassword=\"open\"\n");
    EXPECT_EQ(runner.modes["gsargs"], 0600u);
    for (const auto& arg : runner.arguments) {
        EXPECT_EQ(arg.find("secret"), std::string::npos) << arg;
        EXPECT_EQ(arg.find("open"), std::string::npos) << arg;
    }
    EXPECT_FALSE(fs::exists(job.workFolder + "/gsargs"));
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
    GhostscriptStage missing{runner, []() -> std::string {
                                 throw std::runtime_error("Ghostscript (\"gs\") was not found");
                             }};
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
    EXPECT_EQ(fs::file_size(job.outputPath), 0u);
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
