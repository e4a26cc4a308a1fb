#include "engine/BatchWorker.h"

#include "engine/BatchAbandoned.h"
#include "engine/ConversionError.h"
#include "engine/FileConverter.h"
#include "engine/Messages.h"
#include "engine/NoWordProcessor.h"
#include "tests/support/FakeBatchPage.h"
#include "tests/support/RecordingPrompts.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <map>
#include <mutex>
#include <thread>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

// What the scripted converter does for a source file, chosen by the file's name.
enum class Act { Write, Cancel, Fail, WriteNothing, WaitForGate, NoWordProcessor };

class ScriptedConverter : public FileConverter {
public:
    std::map<std::string, Act> acts; // by file name; Write when absent
    std::promise<void> gate;         // opened by the test for WaitForGate
    std::promise<void> reachedGate;  // set when a conversion starts waiting at the gate

    FileOutcome convert(const std::string& source, const std::string& output,
                        const ConversionOptions& options, BatchControl& control) override {
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(fs::path(source).filename().string());
            outputs_.push_back(output);
            lastOptions_ = options;
        }
        const auto found = acts.find(fs::path(source).filename().string());
        switch (found == acts.end() ? Act::Write : found->second) {
        case Act::Write:
            TempDir::write(output, "%PDF-1.3 new " + source);
            return FileOutcome::Converted;
        case Act::Cancel:
            return FileOutcome::NotConverted;
        case Act::Fail:
            TempDir::write(output, "%PDF-1.3 half-writ");
            throw ConversionError("Ghostscript failed on " + source);
        case Act::WriteNothing:
            return FileOutcome::Converted;
        case Act::NoWordProcessor:
            throw NoWordProcessor("the profile is locked");
        case Act::WaitForGate:
            reachedGate.set_value();
            gate.get_future().wait();
            control.checkpoint();
            TempDir::write(output, "%PDF-1.3 late");
            return FileOutcome::Converted;
        }
        return FileOutcome::NotConverted;
    }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::vector<std::string> outputs() const {
        std::lock_guard lock(mutex_);
        return outputs_;
    }
    ConversionOptions lastOptions() const {
        std::lock_guard lock(mutex_);
        return lastOptions_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<std::string> outputs_;
    ConversionOptions lastOptions_;
};

class BatchWorkerTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedConverter converter;
    RecordingPrompts prompts;
    BatchControl control;

    std::string out() const { return dir.file("out"); }
    std::string data() const { return dir.file("data"); }

    void SetUp() override { fs::create_directory(dir.path() / "out"); }

    int run(FakeBatchPage& page, ConversionOptions options = {}) {
        BatchWorker worker(page, converter, prompts, control, std::move(options), data());
        worker.setStartDelay(std::chrono::milliseconds(0));
        return worker.runBatch();
    }

    // Names of the files in the output folder, hidden staging files included.
    std::vector<std::string> outputFolderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

// What a finished batch leaves on its page once its last file is done: the list emptied, the
// status animation stopped, the bar full, nothing converting or busy, editing and the convert
// button back, the status saying how it went, and the finish dialog scheduled last, once
// everything else is in place.
void expectFinished(const std::vector<std::string>& log, const std::string& status) {
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "start timer 2");
    const auto lastFile = std::find_if(log.rbegin(), log.rend(), [](const std::string& e) {
        return e.starts_with("file ") || e.starts_with("produced ");
    });
    const std::vector<std::string> rest(lastFile.base(), log.end() - 1);
    for (const std::string& entry :
         {std::string("clear list"), std::string("stop timer 1"),
          std::string("progress 100/100 filled"), std::string("converting off"),
          std::string("busy off"), "status " + status, std::string("enable editing"),
          std::string("reset convert button")}) {
        EXPECT_EQ(std::count(rest.begin(), rest.end(), entry), 1) << entry;
    }
}

} // namespace

TEST_F(BatchWorkerTest, ThreeFilesStepTheBarThenResetThePage) {
    FakeBatchPage page({"/in/a.doc", "/in/b.docx", "/in/c.doc"}, out() + "/");
    EXPECT_EQ(run(page), 0);

    const std::vector<std::string> expected{"converting on",  "file 0", "progress 1/3 filled",
                                            "produced a.pdf", "file 1", "progress 2/3 filled",
                                            "produced b.pdf", "file 2", "progress 3/3 filled",
                                            "produced c.pdf"};
    const auto log = page.log();
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 10), expected);
    expectFinished(log, "Complete!");
    EXPECT_EQ(converter.calls(), (std::vector<std::string>{"a.doc", "b.docx", "c.doc"}));
    EXPECT_EQ(outputFolderNames(), (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/b.pdf"), "%PDF-1.3 new /in/b.docx");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(BatchWorkerTest, EmptyListGoesStraightToTheEnd) {
    FakeBatchPage page({}, out());
    run(page);
    const auto log = page.log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "converting on");
    expectFinished(log, "Stoped");
}

TEST_F(BatchWorkerTest, DestinationWithoutSeparatorGetsOneOnTheFirstFile) {
    FakeBatchPage page({"/in/a.doc", "/in/b.doc"}, out());
    run(page);
    EXPECT_EQ(page.storedDestination(), out() + "/");
    const auto log = page.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "destination " + out() + "/"), 1);
    EXPECT_TRUE(fs::exists(out() + "/a.pdf"));
    EXPECT_TRUE(fs::exists(out() + "/b.pdf"));
}

TEST_F(BatchWorkerTest, ConverterWritesIntoAPrivateWorkFolderNotBesideTheFinalPath) {
    TempDir::write(out() + "/a.pdf", "old");
    FakeBatchPage page({"/in/a.doc"}, out());
    page.answerReplace({true});
    run(page);
    ASSERT_EQ(converter.outputs().size(), 1u);
    const auto staged = fs::path(converter.outputs()[0]);
    EXPECT_EQ(staged.parent_path().parent_path(), fs::path(data()));
    EXPECT_TRUE(staged.parent_path().filename().string().starts_with("conversion-"));
    EXPECT_EQ(TempDir::read(out() + "/a.pdf"), "%PDF-1.3 new /in/a.doc");
    EXPECT_EQ(outputFolderNames(), (std::vector<std::string>{"a.pdf"}));
    EXPECT_TRUE(fs::is_empty(data())) << "the work folder goes with its file";
}

TEST_F(BatchWorkerTest, PasswordsTheEncryptionWouldWeakenStopTheBatchWithAMessage) {
    struct Case {
        const char* name;
        std::string owner;
        std::string user;
        bool userEnabled;
        const char* expected;
    };
    const Case cases[] = {
        {"Latin-1 user password", "owner",
         "Gr\xfc\xdf"
         "e",
         true, "The User Password is not valid UTF-8"},
        {"40-byte owner password", std::string(40, 'o'), "user", true,
         "The Owner Password is 40 bytes long"},
        {"owner equal to user", "same secret", "same secret", true,
         "The Owner Password and the User Password are the same"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionOptions options;
        options.securityEnabled = true;
        options.ownerPassword = c.owner;
        options.userPassword = c.user;
        options.userPasswordEnabled = c.userEnabled;
        FakeBatchPage page({"/in/a.doc", "/in/b.doc"}, out());
        prompts.messages.clear();
        run(page, options);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_NE(prompts.messages[0].find(c.expected), std::string::npos) << prompts.messages[0];
        EXPECT_TRUE(converter.calls().empty());
        EXPECT_TRUE(page.produced().empty());
        expectFinished(page.log(), "Stoped");
    }
}

// What happens to a file whose PDF already exists, by answer and by what the conversion does.
struct ExistingOutputCase {
    const char* name;
    bool replace;
    Act act;
    const char* pdfAfter; // content of the existing PDF after the batch
    bool recorded;
    bool barStepped;
    size_t messages;
};

class ExistingOutput : public BatchWorkerTest,
                       public ::testing::WithParamInterface<ExistingOutputCase> {};

TEST_P(ExistingOutput, OldPdfSurvivesUnlessANewOneIsComplete) {
    const auto& c = GetParam();
    TempDir::write(out() + "/r.pdf", "old pdf bytes \x01\x02");
    FakeBatchPage page({"/in/r.docx"}, out() + "/");
    page.answerReplace({c.replace});
    converter.acts["r.docx"] = c.act;
    run(page);

    EXPECT_EQ(page.replaceQuestions(), (std::vector<std::string>{out() + "/r.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/r.pdf"), c.pdfAfter);
    EXPECT_EQ(page.produced().size(), c.recorded ? 1u : 0u);
    const auto log = page.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "progress 1/1 filled"), c.barStepped ? 1 : 0);
    EXPECT_EQ(prompts.messages.size(), c.messages);
    EXPECT_EQ(converter.calls().size(), c.replace ? 1u : 0u);
    // No staging file is left behind, whatever happened.
    EXPECT_EQ(outputFolderNames(), (std::vector<std::string>{"r.pdf"}));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExistingOutput,
    ::testing::Values(ExistingOutputCase{"No", false, Act::Write, "old pdf bytes \x01\x02", false,
                                         true, 0},
                      ExistingOutputCase{"YesAndConverted", true, Act::Write,
                                         "%PDF-1.3 new /in/r.docx", true, true, 0},
                      ExistingOutputCase{"YesButFails", true, Act::Fail, "old pdf bytes \x01\x02",
                                         false, false, 1},
                      ExistingOutputCase{"YesButCancelled", true, Act::Cancel,
                                         "old pdf bytes \x01\x02", false, false, 0},
                      ExistingOutputCase{"YesButNothingWritten", true, Act::WriteNothing,
                                         "old pdf bytes \x01\x02", false, false, 1}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(BatchWorkerTest, EveryFileSkippedEndsStoped) {
    TempDir::write(out() + "/a.pdf", "a");
    TempDir::write(out() + "/b.pdf", "b");
    FakeBatchPage page({"/in/a.doc", "/in/b.doc"}, out());
    page.answerReplace({false, false});
    run(page);
    const auto log = page.log();
    expectFinished(log, "Stoped");
    EXPECT_NE(std::find(log.begin(), log.end(), "progress 2/2 filled"), log.end());
    EXPECT_TRUE(page.produced().empty());
}

TEST_F(BatchWorkerTest, SameBaseNameFromTwoFoldersAsksBeforeReplacing) {
    FakeBatchPage page({"/A/x.doc", "/B/x.docx"}, out());
    page.answerReplace({true});
    run(page);
    EXPECT_EQ(page.replaceQuestions(), (std::vector<std::string>{out() + "/x.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/x.pdf"), "%PDF-1.3 new /B/x.docx");
    EXPECT_EQ(page.produced(), (std::vector<std::string>{"x.pdf", "x.pdf"}));
}

TEST_F(BatchWorkerTest, FailedOrCancelledFilesNeitherStepNorRecordAndTheBatchGoesOn) {
    converter.acts = {{"cancel.doc", Act::Cancel}, {"broken.doc", Act::Fail}};
    FakeBatchPage page({"/in/a.doc", "/in/broken.doc", "/in/cancel.doc", "/in/z.doc"}, out());
    run(page);
    const auto log = page.log();
    EXPECT_EQ(page.produced(), (std::vector<std::string>{"a.pdf", "z.pdf"}));
    EXPECT_NE(std::find(log.begin(), log.end(), "progress 1/4 filled"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "progress 2/4 filled"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "progress 3/4 filled"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "progress 4/4 filled"), log.end());
    expectFinished(log, "Complete!");
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Ghostscript failed on /in/broken.doc"}));
    EXPECT_EQ(outputFolderNames(), (std::vector<std::string>{"a.pdf", "z.pdf"}));
}

TEST_F(BatchWorkerTest, UnwritableDestinationIsReportedPerFile) {
    FakeBatchPage page({"/in/a.doc", "/in/b.doc"}, dir.file("missing-folder"));
    run(page);
    EXPECT_TRUE(converter.calls().empty());
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_NE(prompts.messages[0].find("missing-folder/a.pdf"), std::string::npos);
    expectFinished(page.log(), "Stoped");
}

TEST_F(BatchWorkerTest, OptionsReachTheConverterUnchanged) {
    ConversionOptions options;
    options.title = "T (1)";
    options.securityEnabled = true;
    options.ownerPassword = "owner";
    options.pdfVersion = PdfVersion::V1_5;
    FakeBatchPage page({"/in/a.doc"}, out());
    run(page, options);
    EXPECT_EQ(converter.lastOptions(), options);
}

TEST_F(BatchWorkerTest, HeldWorkerWaitsThenContinues) {
    converter.acts["a.doc"] = Act::WaitForGate;
    FakeBatchPage page({"/in/a.doc", "/in/b.doc"}, out());
    std::thread worker([&] { run(page); });
    converter.reachedGate.get_future().wait();
    control.hold();
    converter.gate.set_value();

    // Held: the worker stops at its next safe point and goes no further.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto heldLog = page.log();
    EXPECT_EQ(std::find(heldLog.begin(), heldLog.end(), "file 1"), heldLog.end());

    control.resume();
    worker.join();
    EXPECT_EQ(page.produced(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    expectFinished(page.log(), "Complete!");
}

TEST_F(BatchWorkerTest, AbandonedWorkerNeverTouchesThePageAgain) {
    TempDir::write(out() + "/a.pdf", "old");
    converter.acts["a.doc"] = Act::WaitForGate;
    FakeBatchPage page({"/in/a.doc", "/in/b.doc"}, out());
    page.answerReplace({true});
    std::thread worker([&] { run(page); });
    converter.reachedGate.get_future().wait();
    control.hold();
    const auto logAtStop = page.log();
    control.abandon();
    converter.gate.set_value();
    worker.join();

    EXPECT_EQ(page.log(), logAtStop);
    EXPECT_TRUE(page.produced().empty());
    EXPECT_EQ(converter.calls(), (std::vector<std::string>{"a.doc"}));
    // The old PDF is intact and the abandoned staging file is gone.
    EXPECT_EQ(outputFolderNames(), (std::vector<std::string>{"a.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/a.pdf"), "old");
}

TEST_F(BatchWorkerTest, AbandonDuringTheStartDelayConvertsNothing) {
    FakeBatchPage page({"/in/a.doc"}, out());
    BatchWorker worker(page, converter, prompts, control, {}, data());
    worker.setStartDelay(std::chrono::seconds(30));
    std::thread thread([&] { worker.runBatch(); });
    ASSERT_TRUE(page.waitFor("converting on"));
    control.abandon();
    thread.join();
    EXPECT_EQ(page.log(), (std::vector<std::string>{"converting on"}));
    EXPECT_TRUE(converter.calls().empty());
}

// Without a word processor every file would fail the same way: the first failure says why, once,
// and the batch ends there, as stopped.
TEST_F(BatchWorkerTest, AWordProcessorThatCannotStartEndsTheBatchWithOneMessage) {
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::vector<std::string> produced;
        int notReached;
    };
    const Case cases[] = {
        {"at the first file", {"/in/x.doc", "/in/b.doc", "/in/c.doc"}, {}, 2},
        {"after a converted file", {"/in/a.doc", "/in/x.doc", "/in/c.doc"}, {"a.pdf"}, 1},
        {"at the last file", {"/in/a.doc", "/in/x.doc"}, {"a.pdf"}, 0},
    };
    const std::string message = std::string(Messages::noWordObject) +
                                "\nThe word processor could not be started: the profile is locked";
    converter.acts["x.doc"] = Act::NoWordProcessor;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        const auto callsBefore = converter.calls().size();
        FakeBatchPage page(c.files, out());
        run(page);
        EXPECT_EQ(prompts.messages, (std::vector<std::string>{message}));
        EXPECT_EQ(page.produced(), c.produced);
        expectFinished(page.log(), "Stoped");
        const auto summary = page.summary();
        EXPECT_EQ(summary.endedBy, message);
        EXPECT_EQ(summary.failed, 1);
        EXPECT_EQ(summary.notReached, c.notReached);
        const auto reports = page.reports();
        ASSERT_EQ(reports.size(), c.files.size());
        EXPECT_EQ(reports.back().sourcePath, c.files.back());
        EXPECT_EQ(converter.calls().size() - callsBefore, c.produced.size() + 1)
            << "no file is tried after the failure";
        for (const auto& name : c.produced) {
            fs::remove(out() + "/" + name);
        }
    }
}

namespace {

// A list read as the batch goes (as zarta-convert reads --files-from): its length is unknown,
// each next file is asked for in turn, the second file arrives only once the first has been
// reported, and the second file's PDF goes to a subfolder. Records, for each file asked for, how
// many conversions had started and how many files were reported by then.
class StreamedPage : public FakeBatchPage {
public:
    StreamedPage(std::vector<std::string> files, std::string destination,
                 const ScriptedConverter& converter)
        : FakeBatchPage(std::move(files), std::move(destination)), converter_(converter) {}

    int fileCount() override { return unknownCount; }
    bool fileArrived(int index) override { return index != 1 || !reports().empty(); }
    bool hasFileAt(int index) override {
        startedWhenAsked.push_back(converter_.calls().size());
        reportedWhenAsked.push_back(reports().size());
        return index < FakeBatchPage::fileCount();
    }
    std::string outputSubfolder(int index) override { return index == 1 ? "sub/" : ""; }

    std::vector<std::size_t> startedWhenAsked;
    std::vector<std::size_t> reportedWhenAsked;

private:
    const ScriptedConverter& converter_;
};

} // namespace

TEST_F(BatchWorkerTest, AStreamedListStartsItsFirstFileBeforeItIsReadToItsEnd) {
    fs::create_directory(out() + "/sub");
    StreamedPage page({"/in/a.doc", "/in/b.doc", "/in/c.doc"}, out(), converter);
    run(page);
    // Asked for files 0 to 3, the last answered "no more".
    ASSERT_EQ(page.startedWhenAsked.size(), 4u);
    EXPECT_EQ(page.startedWhenAsked[0], 0u);
    EXPECT_GE(page.startedWhenAsked[1], 1u) << "the first file waited for the rest of the list";
    EXPECT_EQ(page.reportedWhenAsked[1], 1u) << "a list that is slow to come holds nothing back";
    const auto reports = page.reports();
    ASSERT_EQ(reports.size(), 3u);
    for (const auto& report : reports) {
        EXPECT_EQ(report.count, BatchPage::unknownCount);
        EXPECT_EQ(report.result, FileReport::Result::Converted);
    }
    EXPECT_EQ(reports[1].outputPath, out() + "/sub/b.pdf");
    EXPECT_EQ(page.summary().files, 3);
    EXPECT_EQ(page.summary().converted, 3);
    EXPECT_TRUE(fs::exists(out() + "/sub/b.pdf"));
    EXPECT_TRUE(fs::exists(out() + "/c.pdf"));
}

TEST_F(BatchWorkerTest, AStreamedListEndedEarlyReportsTheRestAsNotStarted) {
    converter.acts["a.doc"] = Act::NoWordProcessor;
    StreamedPage page({"/in/a.doc", "/in/b.doc", "/in/c.doc"}, out(), converter);
    run(page);
    const auto reports = page.reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].result, FileReport::Result::Failed);
    EXPECT_EQ(reports[1].result, FileReport::Result::NotReached);
    EXPECT_EQ(reports[1].outputPath, out() + "/sub/b.pdf");
    EXPECT_EQ(reports[2].result, FileReport::Result::NotReached);
    EXPECT_EQ(page.summary().files, 3);
    EXPECT_EQ(page.summary().notReached, 2);
}
