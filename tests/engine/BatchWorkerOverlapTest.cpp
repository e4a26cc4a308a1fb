// The batch worker with the real per-file converter, whose PDF stage runs on a second thread
// while the next file is in the word processor, and with several converters (word processors)
// working side by side: what the user sees keeps the list's order, and an abandoned batch leaves
// nothing running and nothing half-written.
#include "engine/BatchControl.h"
#include "engine/BatchWorker.h"
#include "engine/NoWordProcessor.h"
#include "engine/OutputNaming.h"
#include "engine/QuietPrintWatch.h"
#include "engine/UserPrompts.h"
#include "engine/WordToPdfConverter.h"
#include "tests/support/FakeBatchPage.h"
#include "tests/support/RecordingPrompts.h"
#include "tests/support/RecordingWord.h"
#include "tests/support/ScriptedPdfStage.h"
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

// One word processor of a batch with several, scripted per document: notes in a shared log what
// it does ("office 2 opens a.doc", "pdf written a.doc"), runs a chosen hook while it has the
// document open, asks for a password (after beforeAsking) for protected documents, and leaves
// a remainder that writes the PDF. Configure before the batch starts.
class ScriptedOffice : public FileConverter {
public:
    ScriptedOffice(RecordingWord& log, UserPrompts& prompts, int number)
        : log_(log), prompts_(prompts), name_("office " + std::to_string(number)) {}

    std::function<void(const std::string& source, BatchControl&)> whileOpen;
    std::function<void(const std::string& source, BatchControl&)> inPdfStage;
    std::set<std::string> protectedFiles; // source paths
    std::set<std::string> failing;        // source paths whose conversion fails in the office
    bool cannotStart = false;
    std::atomic<int> busy{0}; // documents open or PDF stages running right now

    FileOutcome convert(const std::string&, const std::string&, const ConversionOptions&,
                        BatchControl&) override {
        ADD_FAILURE() << "the lanes use start()";
        return FileOutcome::NotConverted;
    }

    Started start(const std::string& source, const std::string& outputPath,
                  const ConversionOptions&, BatchControl& control,
                  const std::function<void()>& beforeAsking) override {
        control.checkpoint();
        if (cannotStart) {
            log_.note(name_ + " cannot start for " + OutputNaming::fileName(source));
            throw NoWordProcessor("its profile is locked");
        }
        const std::string name = OutputNaming::fileName(source);
        {
            Busy open(*this);
            log_.note(name_ + " opens " + name);
            if (whileOpen) {
                whileOpen(source, control);
            }
            if (failing.count(source) > 0) {
                throw WordStageError("The word processor failed while converting \"" + source +
                                     "\": it stopped unexpectedly");
            }
        }
        if (protectedFiles.count(source) > 0) {
            log_.note(name_ + " asks for " + name);
            beforeAsking();
            if (!prompts_.askPassword(name, false)) {
                return {FileOutcome::NotConverted, {}};
            }
        }
        return {FileOutcome::Converted, [this, source, outputPath, name](BatchControl& pdfControl) {
                    Busy stage(*this);
                    TempDir::write(outputPath, "%PDF-1.4 partial");
                    if (inPdfStage) {
                        inPdfStage(source, pdfControl);
                    }
                    TempDir::write(outputPath, "%PDF-1.4 " + source);
                    log_.note("pdf written " + name);
                }};
    }

private:
    struct Busy {
        explicit Busy(ScriptedOffice& office) : office_(office) { ++office_.busy; }
        ~Busy() { --office_.busy; }
        ScriptedOffice& office_;
    };

    RecordingWord& log_;
    UserPrompts& prompts_;
    std::string name_;
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
    ScriptedPdfStage pdf{&word};
    QuietPrintWatch watch;
    BatchControl control;
    std::unique_ptr<FakeBatchPage> page;
    std::unique_ptr<RecordingPrompts> prompts;
    // Each message and password prompt with how far the page's log had got at that moment.
    std::vector<std::pair<size_t, std::string>> prompted;

    std::string out() const { return dir.file("out"); }
    std::string data() const { return dir.file("data"); }

    void SetUp() override {
        fs::create_directory(dir.path() / "out");
        fs::create_directory(dir.path() / "data");
    }

    FakeBatchPage& makePage(std::vector<std::string> files) {
        page = std::make_unique<FakeBatchPage>(std::move(files), out());
        prompts = std::make_unique<RecordingPrompts>();
        prompted.clear();
        prompts->onPrompt = [this](const std::string& prompt) {
            prompted.emplace_back(page->log().size(), prompt);
        };
        return *page;
    }

    void run() {
        WordToPdfConverter converter(word, pdf, *prompts, watch, data());
        converter.setPrintPollInterval(std::chrono::milliseconds(1));
        BatchWorker worker(*page, converter, *prompts, control, {}, data());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
    }

    // Runs the batch with two scripted word processors, configured first by setUp.
    void runWithTwoOffices(const std::function<void(ScriptedOffice&)>& setUp = {}) {
        first = std::make_unique<ScriptedOffice>(word, *prompts, 1);
        second = std::make_unique<ScriptedOffice>(word, *prompts, 2);
        if (setUp) {
            setUp(*first);
            setUp(*second);
        }
        BatchWorker worker(*page, {first.get(), second.get()}, *prompts, control, {}, data());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
    }
    std::unique_ptr<ScriptedOffice> first;
    std::unique_ptr<ScriptedOffice> second;

    // Which scripted office opened the document, or "" when none did.
    std::string openerOf(const std::string& name) const {
        for (const auto& call : word.calls()) {
            if (call.ends_with(" opens " + name)) {
                return call.substr(0, call.find(" opens "));
            }
        }
        return {};
    }

    // What the user saw, in order: progress steps, recorded names, replace questions, messages
    // and password prompts.
    std::vector<std::string> seen() const {
        const auto log = page->log();
        std::vector<std::string> entries;
        size_t next = 0;
        for (size_t i = 0; i <= log.size(); ++i) {
            for (; next < prompted.size() && prompted[next].first == i; ++next) {
                entries.push_back(prompted[next].second);
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
    prompts->passwordFor["b.doc"] = "pw";
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

// Replacing without a question (chosen before the batch) keeps the overlap: the existing PDF
// stays until the new one is complete, and nothing waits for an earlier outcome. a.doc's PDF
// stage goes on only once b.doc has reached a word processor.
TEST_F(BatchWorkerOverlapTest, ExistingPdfsReplacedWithoutAskingStillOverlap) {
    TempDir::write(out() + "/a.pdf", "old");
    TempDir::write(out() + "/b.pdf", "old");
    makePage({"/in/a.doc", "/in/b.doc"});
    page->replaceWithoutAsking = true;
    pdf.before = [this](const PdfStage::Job& job, BatchControl& stageControl) {
        if (job.sourcePath == "/in/a.doc") {
            waitForCall(word, "Open(TEXT \"/in/b.doc\"", stageControl);
        }
    };
    run();

    EXPECT_TRUE(page->replaceQuestions().empty());
    EXPECT_EQ(page->produced(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/b.pdf"), "%PDF-1.4 /in/b.doc");
    const auto calls = word.calls();
    EXPECT_LT(indexOf(calls, "Open(TEXT \"/in/b.doc\""), indexOf(calls, "pdf written a.doc"));
}

TEST_F(BatchWorkerOverlapTest, WithTwoOfficesExistingPdfsReplacedWithoutAskingRunSideBySide) {
    TempDir::write(out() + "/a.pdf", "old");
    TempDir::write(out() + "/b.pdf", "old");
    makePage({"/in/a.doc", "/in/b.doc"});
    page->replaceWithoutAsking = true;
    runWithTwoOffices([this](ScriptedOffice& office) {
        office.inPdfStage = [this](const std::string& source, BatchControl& stageControl) {
            for (int i = 0; source == "/in/a.doc" && openerOf("b.doc").empty() && i < 2000; ++i) {
                stageControl.sleepFor(std::chrono::milliseconds(5));
            }
        };
    });

    EXPECT_TRUE(page->replaceQuestions().empty());
    EXPECT_EQ(page->produced(), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/a.pdf"), "%PDF-1.4 /in/a.doc");
    const auto calls = word.calls();
    const auto opensB = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
        return call.ends_with(" opens b.doc");
    });
    EXPECT_LT(static_cast<size_t>(opensB - calls.begin()), indexOf(calls, "pdf written a.doc"));
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

TEST_F(BatchWorkerOverlapTest, TwoOfficesReportInListOrderAlthoughTheSecondFinishesFirst) {
    makePage({"/in/a.doc", "/in/b.doc", "/in/c.doc", "/in/d.doc"});
    runWithTwoOffices([this](ScriptedOffice& office) {
        // a.doc stays open in its office until b.doc's PDF is written by the other one.
        office.whileOpen = [this](const std::string& source, BatchControl& officeControl) {
            if (source == "/in/a.doc") {
                waitForCall(word, "pdf written b.doc", officeControl);
            }
        };
    });

    EXPECT_EQ(seen(), (std::vector<std::string>{
                          "progress 1/4 filled", "produced a.pdf", "progress 2/4 filled",
                          "produced b.pdf", "progress 3/4 filled", "produced c.pdf",
                          "progress 4/4 filled", "produced d.pdf", "progress 100/100 filled"}));
    EXPECT_EQ(outputNames(), (std::vector<std::string>{"a.pdf", "b.pdf", "c.pdf", "d.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/a.pdf"), "%PDF-1.4 /in/a.doc");
    EXPECT_TRUE(fs::is_empty(data())) << "a work folder was left behind";
    const auto calls = word.calls();
    EXPECT_LT(indexOf(calls, "pdf written b.doc"), indexOf(calls, "pdf written a.doc"));
    EXPECT_NE(openerOf("a.doc"), openerOf("b.doc"));
    EXPECT_EQ(first->busy + second->busy, 0);
}

TEST_F(BatchWorkerOverlapTest, WithTwoOfficesALaterFileAsksOnlyAfterTheEarlierOutcome) {
    // a.doc is still in its office when b.doc, in the other, would ask, fail or be asked about.
    const struct {
        const char* what;
        std::function<void(ScriptedOffice&)> setUp;
        std::string bShown;
        bool bOpensMeanwhile; // b.doc gets to its office while a.doc is in the other
    } cases[] = {
        {"password prompt",
         [this](ScriptedOffice& office) {
             office.protectedFiles = {"/in/b.doc"};
             prompts->passwordFor["b.doc"] = "pw";
         },
         "password b.doc", true},
        {"message of a failing file",
         [](ScriptedOffice& office) { office.failing = {"/in/b.doc"}; },
         "message The word processor failed while converting \"/in/b.doc\": it stopped "
         "unexpectedly",
         true},
        {"overwrite question",
         [this](ScriptedOffice&) {
             TempDir::write(out() + "/b.pdf", "old");
             page->answerReplace({true});
         },
         "replace? yes", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.path() / "out");
        fs::create_directory(dir.path() / "out");
        makePage({"/in/a.doc", "/in/b.doc"});
        const auto before = word.calls().size();
        runWithTwoOffices([&](ScriptedOffice& office) {
            c.setUp(office);
            office.whileOpen = [this, before, &c](const std::string& source,
                                                  BatchControl& officeControl) {
                if (source != "/in/a.doc") {
                    return;
                }
                // Long enough for b.doc to get to its prompt or failure.
                for (int i = 0; c.bOpensMeanwhile && i < 2000; ++i) {
                    const auto calls = word.calls();
                    if (std::any_of(calls.begin() + static_cast<std::ptrdiff_t>(before),
                                    calls.end(), [](const std::string& call) {
                                        return call.ends_with("asks for b.doc") ||
                                               call.ends_with("opens b.doc");
                                    })) {
                        break;
                    }
                    officeControl.sleepFor(std::chrono::milliseconds(5));
                }
                officeControl.sleepFor(std::chrono::milliseconds(50));
            };
        });
        const auto shown = seen();
        ASSERT_GE(shown.size(), 3u) << ::testing::PrintToString(shown);
        EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 3),
                  (std::vector<std::string>{"progress 1/2 filled", "produced a.pdf", c.bShown}))
            << ::testing::PrintToString(shown);
    }
}

TEST_F(BatchWorkerOverlapTest, AbandonWithTwoOfficesBusyLeavesNothing) {
    const auto forever = [](const std::string&, BatchControl& stageControl) {
        for (;;) {
            stageControl.sleepFor(std::chrono::milliseconds(5));
        }
    };
    const struct {
        const char* what;
        bool aInPdfStage; // else a.doc is in its office too
    } cases[] = {{"both documents open in their offices", false},
                 {"one in its office, one in the PDF stage", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BatchControl batch;
        makePage({"/in/a.doc", "/in/b.doc", "/in/c.doc"});
        auto one = std::make_unique<ScriptedOffice>(word, *prompts, 1);
        auto two = std::make_unique<ScriptedOffice>(word, *prompts, 2);
        for (ScriptedOffice* office : {one.get(), two.get()}) {
            office->whileOpen = [&](const std::string& source, BatchControl& officeControl) {
                if (source == "/in/b.doc" || !c.aInPdfStage) {
                    forever(source, officeControl);
                }
            };
            office->inPdfStage = forever;
        }
        std::vector<std::string> logAtAbandon;
        std::thread user([&] {
            // With a.doc in the PDF stage its office is free, so the worker takes c.doc from
            // the list too; that is before the abandon, and the log must hold it.
            const auto settled = [&] {
                const auto log = page->log();
                return one->busy + two->busy >= 2 &&
                       (!c.aInPdfStage || std::find(log.begin(), log.end(), "file 2") != log.end());
            };
            for (int i = 0; i < 10000 && !settled(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            logAtAbandon = page->log();
            batch.abandon();
        });
        {
            BatchWorker worker(*page, {one.get(), two.get()}, *prompts, batch, {}, data());
            worker.setStartDelay(std::chrono::milliseconds(0));
            worker.runBatch();
        }
        user.join();

        EXPECT_EQ(one->busy + two->busy, 0) << "an office or PDF stage outlived the batch";
        EXPECT_EQ(page->log(), logAtAbandon);
        EXPECT_TRUE(page->produced().empty());
        EXPECT_TRUE(outputNames().empty()) << ::testing::PrintToString(outputNames());
        EXPECT_TRUE(fs::is_empty(data())) << "a work folder was left behind";
        if (!c.aInPdfStage) {
            EXPECT_EQ(openerOf("c.doc"), "") << "a third document was opened";
        }
    }
}

TEST_F(BatchWorkerOverlapTest, AnOfficeThatCannotStartLeavesItsFilesToTheOther) {
    makePage({"/in/a.doc", "/in/b.doc", "/in/c.doc", "/in/d.doc"});
    first = std::make_unique<ScriptedOffice>(word, *prompts, 1);
    second = std::make_unique<ScriptedOffice>(word, *prompts, 2);
    second->cannotStart = true;
    {
        BatchWorker worker(*page, {first.get(), second.get()}, *prompts, control, {}, data());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
    }
    EXPECT_EQ(seen(), (std::vector<std::string>{
                          "progress 1/4 filled", "produced a.pdf", "progress 2/4 filled",
                          "produced b.pdf", "progress 3/4 filled", "produced c.pdf",
                          "progress 4/4 filled", "produced d.pdf", "progress 100/100 filled"}));
    for (const char* name : {"a.doc", "b.doc", "c.doc", "d.doc"}) {
        EXPECT_EQ(openerOf(name), "office 1") << name;
    }
    EXPECT_TRUE(fs::is_empty(data())) << "a work folder was left behind";
}

TEST_F(BatchWorkerOverlapTest, WhenNoOfficeCanStartOneMessageSaysWhyAndTheBatchEnds) {
    makePage({"/in/a.doc", "/in/b.doc", "/in/c.doc"});
    runWithTwoOffices([](ScriptedOffice& office) { office.cannotStart = true; });
    const std::string message = std::string(Messages::noWordObject) +
                                "\nThe word processor could not be started: its profile is locked";
    EXPECT_EQ(seen(), (std::vector<std::string>{"message " + message, "progress 100/100 filled"}));
    EXPECT_EQ(page->log().back(), "start timer 2");
    EXPECT_EQ(page->log()[page->log().size() - 4], "status Stoped");
    const auto summary = page->summary();
    EXPECT_EQ(summary.endedBy, message);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(summary.notReached, 2);
    const auto reports = page->reports();
    ASSERT_EQ(reports.size(), 3u);
    for (size_t i = 1; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].result, FileReport::Result::NotReached);
        EXPECT_EQ(reports[i].message, Messages::batchEndedBefore);
    }
    EXPECT_EQ(reports[2].sourcePath, "/in/c.doc");
    EXPECT_TRUE(fs::is_empty(data())) << "a work folder was left behind";
}

TEST_F(BatchWorkerOverlapTest, WithTwoOfficesAFailingFileIsReportedInItsPlaceAndTheBatchGoesOn) {
    makePage({"/in/a.doc", "/in/b.doc", "/in/c.doc", "/in/d.doc"});
    runWithTwoOffices([](ScriptedOffice& office) { office.failing = {"/in/b.doc"}; });
    EXPECT_EQ(seen(), (std::vector<std::string>{
                          "progress 1/4 filled", "produced a.pdf",
                          "message The word processor failed while converting \"/in/b.doc\": it "
                          "stopped unexpectedly",
                          "progress 3/4 filled", "produced c.pdf", "progress 4/4 filled",
                          "produced d.pdf", "progress 100/100 filled"}));
    EXPECT_EQ(outputNames(), (std::vector<std::string>{"a.pdf", "c.pdf", "d.pdf"}));
}

TEST_F(BatchWorkerOverlapTest, WithTwoOfficesSameNameWaitsForTheEarlierPdfBeforeItsCheck) {
    makePage({"/A/x.doc", "/B/x.docx"});
    page->answerReplace({true});
    runWithTwoOffices();
    EXPECT_EQ(page->replaceQuestions(), (std::vector<std::string>{out() + "/x.pdf"}));
    EXPECT_EQ(TempDir::read(out() + "/x.pdf"), "%PDF-1.4 /B/x.docx");
    EXPECT_EQ(page->produced(), (std::vector<std::string>{"x.pdf", "x.pdf"}));
    const auto calls = word.calls();
    const auto opened =
        std::min(indexOf(calls, "office 1 opens x.docx"), indexOf(calls, "office 2 opens x.docx"));
    ASSERT_LT(opened, calls.size());
    EXPECT_LT(indexOf(calls, "pdf written x.doc"), opened);
}
