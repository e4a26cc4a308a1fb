// The office's life with the real office: time-outs, replacement rules, clean sessions and the
// end of the office with its factory.
#include "platform/office/OfficeApplicationFactory.h"

#include "platform/office/OfficeKeeper.h"
#include "platform/office/UnoRuntime.h"
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"
#include "tests/support/WordCalls.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using namespace zarta;
using namespace zarta::test;

namespace {

class OfficeLifecycleE2ETest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        TestDocuments maker(officeProfiles("lifecycle"));
        maker.make(dir_->file("plain.docx"), TestDocuments::Format::Docx,
                   TestDocuments::paragraph("Une page, rien de plus."));
    }

    static void TearDownTestSuite() { delete dir_; }

    static OfficeSettings settings() {
        OfficeSettings settings;
        settings.profileRoot = officeProfiles("lifecycle");
        return settings;
    }

    WordRun run(OfficeApplicationFactory& factory) {
        return runWord(factory, control_, dir_->file("plain.docx"), WordVariant::Text("x"),
                       dir_->file("job.pdf"));
    }

    static TempDir* dir_;
    BatchControl control_;
};

TempDir* OfficeLifecycleE2ETest::dir_ = nullptr;

TEST_F(OfficeLifecycleE2ETest, EndsAStuckOfficeAfterTheTimeOut) {
    OfficeSettings stuckAfterThreeSeconds = settings();
    stuckAfterThreeSeconds.documentTimeout = std::chrono::seconds(3);
    OfficeApplicationFactory factory(stuckAfterThreeSeconds);

    auto application = factory.create("Word.Application", control_);
    ASSERT_NE(application, nullptr);
    const int pid = factory.statistics().officePid;
    ::kill(pid, SIGSTOP); // the office stops answering, as on a document that hangs its import
    auto documents = application->getDocuments();
    auto openArgs = openArguments(dir_->file("plain.docx"), WordVariant::Text("x"));
    try {
        documents->Open(openArgs);
        FAIL() << "opened with a stopped office";
    } catch (const WordError& error) {
        EXPECT_EQ(error.kind(), WordError::Kind::TimedOut) << error.what();
    }
    EXPECT_TRUE(processEnds(pid));
    auto quitArgs = noSave();
    EXPECT_NO_THROW(application->Quit(quitArgs));
    documents.reset();
    application.reset();

    const WordRun next = run(factory);
    EXPECT_TRUE(next.printed) << next.detail;
    EXPECT_NE(factory.statistics().officePid, pid);
}

TEST_F(OfficeLifecycleE2ETest, ReplacesTheOfficeWhenItsQuotaIsUsedUp) {
    {
        OfficeSettings twoDocuments = settings();
        twoDocuments.maxDocumentsPerOffice = 2;
        OfficeApplicationFactory factory(twoDocuments);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(run(factory).printed);
        }
        EXPECT_EQ(factory.statistics().officeStarts, 2);
        EXPECT_EQ(factory.statistics().documentsOpened, 3);
    }
    {
        OfficeSettings tinyMemory = settings();
        tinyMemory.maxResidentBytes = 1;
        OfficeApplicationFactory factory(tinyMemory);
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(run(factory).printed);
        }
        EXPECT_EQ(factory.statistics().officeStarts, 2);
        EXPECT_GT(factory.statistics().peakResidentBytes, 1u << 20);
    }
}

TEST_F(OfficeLifecycleE2ETest, TheOfficeEndsWithTheFactory) {
    int pid = 0;
    {
        OfficeApplicationFactory factory(settings());
        ASSERT_TRUE(run(factory).printed);
        pid = factory.statistics().officePid;
        EXPECT_TRUE(processRunning(pid));
    }
    EXPECT_FALSE(processRunning(pid));
    EXPECT_TRUE(
        processesMentioning("UserInstallation=file://" + officeProfiles("lifecycle")).empty());
}

TEST_F(OfficeLifecycleE2ETest, ASessionStartsWithNothingOpen) {
    auto keeper = std::make_shared<OfficeKeeper>(settings());
    {
        auto lease = keeper->acquire(control_);
        css::uno::Sequence<css::beans::PropertyValue> hidden(1);
        hidden.getArray()[0].Name = "Hidden";
        hidden.getArray()[0].Value <<= true;
        // Left open, as a session that ended badly might leave it.
        lease.office->desktop()->loadComponentFromURL(UnoRuntime::fileUrl(dir_->file("plain.docx")),
                                                      "_blank", 0, hidden);
    }
    auto lease = keeper->acquire(control_);
    EXPECT_EQ(keeper->statistics().leftoversClosed, 1);
    EXPECT_FALSE(lease.office->desktop()->getComponents()->createEnumeration()->hasMoreElements());
}

TEST_F(OfficeLifecycleE2ETest, WritingToAnOfficeThatDiedDoesNotEndTheProgram) {
    OfficeApplicationFactory factory(settings());
    ASSERT_TRUE(run(factory).printed);
    // What the connection does when the office has just died: write to a closed socket.
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    ::close(ends[1]);
    EXPECT_EQ(::send(ends[0], "x", 1, 0), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(ends[0]);
}

TEST_F(OfficeLifecycleE2ETest, YieldsNoApplicationWhenNoOfficeCanStart) {
    OfficeSettings unusable = settings();
    unusable.profileRoot = "/dev/null/office";
    OfficeApplicationFactory factory(unusable);
    EXPECT_EQ(factory.create("Word.Application", control_), nullptr);
    EXPECT_FALSE(factory.lastFailure().empty());
}

} // namespace
