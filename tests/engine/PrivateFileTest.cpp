#include "engine/PrivateFile.h"

#include "engine/FileDescriptor.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <system_error>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

// What stands at the name before the write: nothing, an old file, or a link another user
// planted, pointing at a file they want overwritten (or read).
enum class Before { Nothing, OldFile, PlantedLink };

struct WriteCase {
    const char* name;
    Before before;
    // Writes "new text" as the file "note" in the folder; `planted` is the name the attack uses.
    std::function<void(const TempDir&)> write;
    const char* planted;
};

class PrivateFileWrites : public testing::TestWithParam<WriteCase> {};

TEST_P(PrivateFileWrites, LeaveOnlyAPrivateFileWithTheNewTextAndNeverWriteThroughALink) {
    const TempDir dir;
    const std::string victim = dir.file("victim");
    TempDir::write(victim, "victim's own");
    const std::string planted = dir.file(GetParam().planted);
    if (GetParam().before == Before::OldFile) {
        TempDir::write(planted, "old text that is longer than the new");
    } else if (GetParam().before == Before::PlantedLink) {
        fs::create_symlink(victim, planted);
    }

    GetParam().write(dir);

    EXPECT_EQ(TempDir::read(victim), "victim's own");
    struct stat info {};
    ASSERT_EQ(::lstat(dir.file("note").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(TempDir::read(dir.file("note")), "new text");
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file("note.new")))) << "no temporary is left";
}

void createNote(const TempDir& dir) {
    const FileDescriptor folder(::open(dir.file("").c_str(), O_RDONLY | O_DIRECTORY));
    PrivateFile::create(folder.get(), "note", "new text");
}

void replaceNote(const TempDir& dir) {
    PrivateFile::replace(dir.file("note"), "new text");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrivateFileWrites,
    testing::Values(
        WriteCase{"CreateNew", Before::Nothing, createNote, "note"},
        WriteCase{"CreateOverOldFile", Before::OldFile, createNote, "note"},
        WriteCase{"CreateAtPlantedLink", Before::PlantedLink, createNote, "note"},
        WriteCase{"ReplaceNew", Before::Nothing, replaceNote, "note"},
        WriteCase{"ReplaceOldFile", Before::OldFile, replaceNote, "note"},
        WriteCase{"ReplaceAtPlantedLink", Before::PlantedLink, replaceNote, "note"},
        WriteCase{"ReplaceWithLinkAtTemporary", Before::PlantedLink, replaceNote, "note.new"},
        WriteCase{"ReplaceWithLeftoverTemporary", Before::OldFile, replaceNote, "note.new"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(PrivateFile, AFolderThatIsNotThereIsASystemError) {
    const TempDir dir;
    EXPECT_THROW(PrivateFile::replace(dir.file("missing/note"), "x"), std::system_error);
    EXPECT_THROW(PrivateFile::create(-1, "note", "x"), std::system_error);
}

} // namespace
