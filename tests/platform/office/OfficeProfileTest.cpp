#include "platform/office/OfficeProfile.h"
#include "platform/office/FileUrl.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using zarta::OfficeProfile;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST(OfficeProfileTest, WritesThePrinterAndTheHardeningIntoAPrivateProfile) {
    TempDir dir;
    const std::string root = dir.file("data/office");
    OfficeProfile profile(root, "ZartaWordToPDF");
    profile.prepare();

    EXPECT_EQ(modeOf(root), 0700u);
    EXPECT_EQ(modeOf(dir.file("data")), 0700u);
    const std::string printers = TempDir::read(profile.path() + "/user/psprint/psprint.conf");
    EXPECT_NE(printers.find("[ZartaWordToPDF]\nPrinter=ZARTAWORDTOPDF/ZartaWordToPDF\n"),
              std::string::npos)
        << printers;
    const std::string driver = profile.path() + "/user/psprint/driver/ZARTAWORDTOPDF.PS";
    EXPECT_NE(TempDir::read(driver).find("\n*DefaultResolution: 1440dpi\n"), std::string::npos);
    EXPECT_EQ(modeOf(driver), 0600u);
    const std::string settings = TempDir::read(profile.path() + "/user/registrymodifications.xcu");
    for (const char* expected :
         {"/org.openoffice.Office.Common/Print/Option/Printer\"><prop "
          "oor:name=\"PDFAsStandardPrintJobFormat\" oor:op=\"fuse\"><value>true",
          "/org.openoffice.Office.Common/Print/Option/File\"><prop "
          "oor:name=\"PDFAsStandardPrintJobFormat\" oor:op=\"fuse\"><value>true",
          "\"MacroSecurityLevel\" oor:op=\"fuse\"><value>3",
          "\"DisableMacrosExecution\" oor:op=\"fuse\"><value>true",
          "\"BlockUntrustedRefererLinks\" oor:op=\"fuse\"><value>true",
          "\"UseLocking\" oor:op=\"fuse\"><value>false",
          "\"ooInetProxyType\" oor:op=\"fuse\"><value>1",
          "\"ooInetHTTPSProxyName\" oor:op=\"fuse\"><value>127.0.0.1",
          "\"ooInetHTTPProxyPort\" oor:op=\"fuse\"><value>9",
          "/org.openoffice.Office.Recovery/AutoSave\"><prop oor:name=\"Enabled\" "
          "oor:op=\"fuse\"><value>false"}) {
        EXPECT_NE(settings.find(expected), std::string::npos) << expected;
    }
    EXPECT_EQ(modeOf(profile.path() + "/user/registrymodifications.xcu"), 0600u);
    EXPECT_EQ(modeOf(profile.temporaryFolder()), 0700u);
}

TEST(OfficeProfileTest, ThePrinterDriverPlacesOutputOnTheTwipGrid) {
    const std::pair<std::string, std::string> cases[] = {
        {"*PPD-Adobe: \"4.0\"\n*DefaultResolution: 300dpi\n*ResScreenFreq 300dpi: \"60.0\"\n",
         "*PPD-Adobe: \"4.0\"\n*DefaultResolution: 1440dpi\n*ResScreenFreq 300dpi: \"60.0\"\n"},
        {"*PPD-Adobe: \"4.0\"\n*DefaultResolution: 300dpi", // the last line, without a line feed
         "*PPD-Adobe: \"4.0\"\n*DefaultResolution: 1440dpi\n"},
        {"*PPD-Adobe: \"4.0\"\n*ResScreenFreq 300dpi: \"60.0\"\n", ""}, // nothing to raise
        {"", ""},                                                       // no generic driver
    };
    for (const auto& [generic, expected] : cases) {
        EXPECT_EQ(OfficeProfile::printerDriver(generic), expected) << generic;
    }
    EXPECT_EQ(OfficeProfile::printerConfiguration("P", "SGENPRT"),
              "[P]\nPrinter=SGENPRT/P\nDefaultPrinter=1\nLocation=\nComment=\nCommand=\n");
}

TEST(OfficeProfileTest, PreparingReplacesWhatTheLastOfficeLeft) {
    TempDir dir;
    OfficeProfile profile(dir.file("office"), "ZartaWordToPDF");
    profile.prepare();
    TempDir::write(profile.path() + "/user/registrymodifications.xcu", "changed by the office");
    TempDir::write(profile.temporaryFolder() + "/leftover", "x");
    profile.prepare();
    EXPECT_NE(TempDir::read(profile.path() + "/user/registrymodifications.xcu")
                  .find("BlockUntrustedRefererLinks"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(profile.temporaryFolder() + "/leftover"));
}

TEST(OfficeProfileTest, TwoOfficesNeverShareAProfile) {
    TempDir dir;
    const std::string root = dir.file("office");
    std::string firstPath;
    {
        OfficeProfile first(root, "P");
        OfficeProfile second(root, "P");
        firstPath = first.path();
        EXPECT_NE(first.path(), second.path());
    }
    OfficeProfile again(root, "P");
    EXPECT_EQ(again.path(), firstPath) << "a released profile is used again (warm start)";
}

TEST(OfficeProfileTest, MakesAnExistingRootPrivate) {
    TempDir dir;
    const std::string root = dir.file("office");
    ASSERT_EQ(::mkdir(root.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(root.c_str(), 0777), 0);
    OfficeProfile profile(root, "P");
    EXPECT_EQ(modeOf(root), 0700u);
}

TEST(OfficeProfileTest, EndsAnOfficeLeftRunningInTheProfile) {
    TempDir dir;
    const std::string root = dir.file("office");
    std::string url;
    {
        OfficeProfile profile(root, "P");
        url = profile.url();
    }
    // Stands in for an office whose owner died: a process carrying the profile in its
    // environment, or on its command line as offices of older versions did.
    for (const bool onCommandLine : {false, true}) {
        SCOPED_TRACE(onCommandLine ? "command line" : "environment");
        const std::string argument = onCommandLine ? "-env:UserInstallation=" + url : "-";
        const std::string variable = "UserInstallation=" + (onCommandLine ? "other" : url);
        const pid_t leftover = ::fork();
        if (leftover == 0) {
            ::setpgid(0, 0);
            char* const environment[] = {const_cast<char*>(variable.c_str()), nullptr};
            char* const arguments[] = {const_cast<char*>("sh"),
                                       const_cast<char*>("-c"),
                                       const_cast<char*>("sleep 30; true"),
                                       const_cast<char*>("sh"),
                                       const_cast<char*>(argument.c_str()),
                                       nullptr};
            ::execve("/bin/sh", arguments, environment);
            ::_exit(127);
        }
        ::setpgid(leftover, leftover);
        ::usleep(100 * 1000); // let it exec
        OfficeProfile profile(root, "P");
        EXPECT_EQ(profile.url(), url);
        int status = 0;
        ASSERT_EQ(::waitpid(leftover, &status, 0), leftover);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        ::kill(-leftover, SIGKILL); // its sleep
    }
}

// The office names its single-instance pipe in the shared temporary folder after its profile's
// path: each start gets a path no one else can know, and the profile's content goes with it.
TEST(OfficeProfileTest, EachStartMovesTheProfileToANewUnguessableName) {
    TempDir dir;
    const std::string root = dir.file("office");
    fs::create_directories(root + "/profile-1/user");
    TempDir::write(root + "/profile-1/user/kept", "warm");
    std::vector<std::string> paths;
    {
        OfficeProfile profile(root, "P");
        EXPECT_EQ(profile.path(), root + "/profile-1") << "an older version's profile is taken";
        for (int start = 0; start < 2; ++start) {
            profile.prepare();
            paths.push_back(profile.path());
            EXPECT_EQ(TempDir::read(profile.path() + "/user/kept"), "warm");
            EXPECT_EQ(profile.url(), zarta::FileUrl::fromPath(profile.path()));
        }
    }
    EXPECT_NE(paths[0], paths[1]);
    for (const auto& path : paths) {
        EXPECT_TRUE(path.starts_with(root + "/profile-1-")) << path;
        EXPECT_EQ(path.size(), (root + "/profile-1-").size() + 32) << path;
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root)) {
        names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{paths[1], root + "/profile-1.lock"}));
    OfficeProfile again(root, "P");
    EXPECT_EQ(again.path(), paths[1]) << "the next run finds the profile under its new name";
}

} // namespace
