// The batch worker with the real per-file converter, whose PDF stage runs on a second thread
// while the next file is in the word processor: what the user sees keeps the list's order, and
// an abandoned batch leaves nothing running and nothing half-written.
#include "engine/BatchControl.h"
#include "engine/BatchWorker.h"
#include "engine/ConversionError.h"
#include "engine/OutputNaming.h"
#include "engine/PdfStage.h"
#include "engine/PrintWatch.h"
#include "engine/UserPrompts.h"
#include "engine/WordToPdfConverter.h"
#include "tests/support/FakeBatchPage.h"
#include "tests/support/RecordingWord.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

// A PDF stage that notes its runs in the word processor's log (so one log shows both threads'
// order), can be made to wait at a safe point, and fails for chosen documents after leaving a
// partial file behind, as a failing Ghostscript would. Configure before the batch starts.
class ScriptedPdfStage : public PdfStage {
public:
    explicit ScriptedPdfStage(RecordingWord& log) : log_(log) {}

    std::set<std::string> failing; // source paths
    // Runs first in every writePdf, on the stage's thread.
    std::function<void(const Job&, BatchControl&)> before;
    std::atomic<int> running{0};

    void writePdf(const Job& job, const ConversionOptions&, BatchControl& control) override {
        const std::string name = OutputNaming::fileName(job.sourcePath);
        ++running;
        struct Leave {
            std::atomic<int>& running;
            ~Leave() { --running; }
        } leave{running};
        log_.note("pdf stage " + name);
        TempDir::write(job.outputPath, "%PDF-1.4 partial");
        if (before) {
            before(job, control);
        }
        if (failing.count(job.sourcePath) > 0) {
            throw ConversionError("Couldn't convert \"" + job.sourcePath +
                                  "\" to PDF: Ghostscript failed (exit status 1).");
        }
        TempDir::write(job.outputPath, "%PDF-1.4 " + job.sourcePath);
        log_.note("pdf written " + name);
    }

private:
    RecordingWord& log_;
};

class NoWatch : public PrintWatch {
public:
    void start() override {}
    void stop() override {}
};

// Notes each message and password prompt with how far the page's log had got at that moment.
class OrderedPrompts : public UserPrompts {
public:
    explicit OrderedPrompts(const FakeBatchPage& page) : page_(page) {}
    std::map<std::string, std::string> passwords; // by file name; Cancel when absent
    std::vector<std::pair<size_t, std::string>> shown;

    void showMessage(const std::string& text) override {
        shown.emplace_back(page_.log().size(), "message " + text);
    }
    std::optional<std::string> askPassword(const std::string& fileName) override {
        shown.emplace_back(page_.log().size(), "password " + fileName);
        const auto found = passwords.find(fileName);
        return found == passwords.end() ? std::nullopt : std::optional(found->second);
    }

private:
    const FakeBatchPage& page_;
};

// Blocks at a safe point until the word processor's log holds an entry starting with prefix.
void waitForCall(const RecordingWord& word, const std::string& prefix, BatchControl& control) {
    for (int i = 0; i < 2000; ++i) {
        const auto calls = word.calls();
        if (std::any_of(calls.begin(), calls.end(),
                        [&](const std::string& call) { return call.starts_with(prefix); })) {
            return;
        }
        control.sleepFor(std::chrono::milliseconds(5));
    }
}

size_t indexOf(const std::vector<std::string>& log, const std::string& prefix) {
    const auto found = std::find_if(log.begin(), log.end(), [&](const std::string& entry) {
        return entry.starts_with(prefix);
    });
    return static_cast<size_t>(found - log.begin());
}

class BatchWorkerOverlapTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingWord word;
    ScriptedPdfStage pdf{word};
    NoWatch watch;
    BatchControl control;
    std::unique_ptr<FakeBatchPage> page;
    std::unique_ptr<OrderedPrompts> prompts;

    std::string out() const { return dir.file("out"); }
    std::string data() const { return dir.file("data"); }

    void SetUp() override {
        fs::create_directory(dir.path() / "out");
        fs::create_directory(dir.path() / "data");
    }

    FakeBatchPage& makePage(std::vector<std::string> files) {
        page = std::make_unique<FakeBatchPage>(std::move(files), out());
        prompts = std::make_unique<OrderedPrompts>(*page);
        return *page;
    }

    void run() {
        WordToPdfConverter converter(word, pdf, *prompts, watch, data());
        converter.setPrintPollInterval(std::chrono::milliseconds(1));
        BatchWorker worker(*page, converter, *prompts, control, {}, data());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
    }

    // What the user saw, in order: progress steps, recorded names, replace questions, messages
    // and password prompts.
    std::vector<std::string> seen() const {
        const auto log = page->log();
        std::vector<std::string> entries;
        size_t next = 0;
        for (size_t i = 0; i <= log.size(); ++i) {
            for (; next < prompts->shown.size() && prompts->shown[next].first == i; ++next) {
                entries.push_back(prompts->shown[next].second);
            }
            if (i < log.size() &&
                (log[i].starts_with("progress") || log[i].starts_with("produced") ||
                 log[i].starts_with("replace?"))) {
                entries.push_back(log[i]);
            }
        }
        return entries;
    }

    std::vector<std::string> outputNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

} // namespace

TEST_F(BatchWorkerOverlapTest, GhostscriptFailingForTheMiddleFileIsReportedInItsPlace) {
    pdf.failing = {"/in/b.doc"};
    // a.doc's PDF stage is still running when the word processor opens b.doc.
    pdf.before = [this](const PdfStage::Job& job, BatchControl& stageControl) {
        if (job.sourcePath == "/in/a.doc") {
            waitForCall(word, "Open(TEXT \"/in/b.doc\"", stageControl);
        }
    };
    makePage({"/in/a.doc", "/in/b.doc", "/in/c.doc"});
    run();

    EXPECT_EQ(seen(), (std::vector<std::string>{
                          "progress 1/3 filled", "produced a.pdf",
                          "message Couldn't convert \"/in/b.doc\" to PDF: Ghostscript failed "
                          "(exit status 1).",
                          "progress 3/3 filled", "produced c.pdf", "progress 100/100 filled"}));
    EXPECT_EQ(page->produced(), (std::vector<std::string>{"a.pdf", "c.pdf"}));
    EXPECT_EQ(outputNames(), (std::vector<std::string>{"a.pdf", "c.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/c.pdf"), "%PDF-1.4 /in/c.doc");
    EXPECT_TRUE(fs::is_empty(data())) << "a work folder was left behind";

    // Each PDF stage starts once its document's session has ended; a.doc's overlapped b.doc's
    // word processor.
    const auto calls = word.calls();
    EXPECT_LT(indexOf(calls, "Quit"), indexOf(calls, "pdf stage a.doc"));
    EXPECT_LT(indexOf(calls, "Open(TEXT \"/in/b.doc\""), indexOf(calls, "pdf written a.doc"));
    EXPECT_EQ(word.liveSessions(), 0);
}

TEST_F(BatchWorkerOverlapTest, PromptsQuestionsAndMessagesOfAFileComeAfterTheFileBefore) {
    // Every PDF stage is still running when the next document reaches the word processor, so
    // the next file's prompt, question or message would come first if nothing held it back.
    pdf.before = [this](const PdfStage::Job& job, BatchControl& stageControl) {
        if (job.sourcePath == "/in/a.doc") {
            waitForCall(word, "Open(TEXT \"/in/b.doc\"", stageControl);
        } else if (job.sourcePath == "/in/b.doc") {
            page->waitFor("file 2"); // the worker has c.doc's name and looks for its PDF
        } else if (job.sourcePath == "/in/c.doc") {
            waitForCall(word, "Open(TEXT \"/in/d.doc\"", stageControl);
        }
    };
    word.protectedDocuments["/in/b.doc"] = "pw";
    word.unreadableDocuments["/in/d.doc"] = "not a Word document";
    TempDir::write(out() + "/c.pdf", "old");
    makePage({"/in/a.doc", "/in/b.doc", "/in/c.doc", "/in/d.doc"});
    prompts->passwords["b.doc"] = "pw";
    page->answerReplace({true});
    run();

    const auto shown = seen();
    ASSERT_EQ(shown.size(), 10u) << ::testing::PrintToString(shown);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 8),
              (std::vector<std::string>{"progress 1/4 filled", "produced a.pdf", "password b.doc",
                                        "progress 2/4 filled", "produced b.pdf", "replace? yes",
                                        "progress 3/4 filled", "produced c.pdf"}));
    EXPECT_TRUE(shown[8].starts_with("message Couldn't open \"/in/d.doc\"")) << shown[8];
    EXPECT_EQ(shown[9], "progress 100/100 filled");
    EXPECT_EQ(TempDir::read(out() + "/c.pdf"), "%PDF-1.4 /in/c.doc");
}

TEST_F(BatchWorkerOverlapTest, SameNameAsTheFileBeforeFindsItsPdfAndAsks) {
    makePage({"/A/x.doc", "/B/x.docx"});
    page->answerReplace({true});
    run();
    EXPECT_EQ(page->replaceQuestions(), (std::vector<std::string>{out() + "/x.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/x.pdf"), "%PDF-1.4 /B/x.docx");
    EXPECT_EQ(page->produced(), (std::vector<std::string>{"x.pdf", "x.pdf"}));
}

TEST_F(BatchWorkerOverlapTest, AbandonWhileOnePrintsAndAnotherIsInThePdfStageLeavesNothing) {
    // a.doc's PDF stage has written part of its file and goes on until the batch is abandoned;
    // b.doc's printing does not end either.
    pdf.before = [](const PdfStage::Job&, BatchControl& stageControl) {
        for (;;) {
            stageControl.sleepFor(std::chrono::milliseconds(5));
        }
    };
    word.printingStatusOf["/in/b.doc"] = std::vector<int>(1'000'000, 1);
    makePage({"/in/a.doc", "/in/b.doc", "/in/c.doc"});

    std::vector<std::string> logAtAbandon;
    std::thread user([&] {
        for (;;) {
            const auto calls = word.calls();
            if (pdf.running > 0 && indexOf(calls, "BackgroundPrintingStatus 1") < calls.size()) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        logAtAbandon = page->log();
        control.abandon();
    });
    run();
    user.join();

    EXPECT_EQ(pdf.running, 0) << "the PDF stage outlived the batch";
    EXPECT_EQ(word.liveSessions(), 0);
    EXPECT_EQ(page->log(), logAtAbandon);
    EXPECT_TRUE(page->produced().empty());
    EXPECT_TRUE(outputNames().empty()) << ::testing::PrintToString(outputNames());
    EXPECT_TRUE(fs::is_empty(data())) << "a work folder was left behind";
    const auto calls = word.calls();
    EXPECT_EQ(indexOf(calls, "Open(TEXT \"/in/c.doc\""), calls.size());
}
