#include "platform/process/GhostscriptLocator.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

std::string makeProgram(const fs::path& path, fs::perms perms = fs::perms::owner_all) {
    fs::create_directories(path.parent_path());
    TempDir::write(path.string(), "#!/bin/sh\n");
    fs::permissions(path, perms);
    return path.string();
}

TEST(GhostscriptLocator, InstallFolderFirstThenTheAbsoluteEntriesOfTheSearchPath) {
    TempDir dir;
    const auto root = dir.path();
    const std::string onPath = makeProgram(root / "usr" / "bin" / "gs");
    const std::string inBin = makeProgram(root / "install" / "bin" / "gs");
    const std::string inFolder = makeProgram(root / "flat" / "gs");
    makeProgram(root / "notexec" / "gs", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(root / "dironly" / "gs");
    const std::string path = "relative/bin:" + (root / "notexec").string() + ":" +
                             (root / "dironly").string() + "::" + (root / "usr/bin").string();

    EXPECT_EQ(GhostscriptLocator((root / "install").string(), path).locate(), inBin);
    EXPECT_EQ(GhostscriptLocator((root / "flat").string(), path).locate(), inFolder);
    EXPECT_EQ(GhostscriptLocator((root / "empty").string(), path).locate(), onPath);
    EXPECT_EQ(GhostscriptLocator("", path).locate(), onPath);

    const auto relative = fs::relative(root / "install", fs::current_path()).string();
    const std::string found = GhostscriptLocator(relative, "").locate();
    EXPECT_TRUE(fs::path(found).is_absolute()) << found;
    EXPECT_TRUE(fs::equivalent(found, inBin));
}

TEST(GhostscriptLocator, NoGhostscriptIsAClearError) {
    TempDir dir;
    try {
        GhostscriptLocator(dir.path().string(), "relative:" + dir.path().string()).locate();
        ADD_FAILURE() << "found a Ghostscript";
    } catch (const GhostscriptLocator::NotFound& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Ghostscript (\"gs\") was not found in \"" + dir.path().string() +
                      "\" nor on the search path; please install the \"ghostscript\" package.");
    }
}

} // namespace
