#include "app/cli/FileList.h"

#include "engine/BatchPage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

struct Seen {
    std::vector<std::string> files;    // path below the test folder, then " -> " subfolder
    std::vector<std::string> problems; // path below the test folder
};

class FileListTest : public testing::Test {
protected:
    FileListTest() {
        // "~$e.docx": the owner file Word leaves beside an open document.
        for (const char* file :
             {"b.docx", "a.doc", "notes.txt", "sub/C.DOC", "sub/x.pdf", "sub/deep/d.dot",
              "sub/deep/e.docx", "sub/deep/~$e.docx", "zz/f.docx"}) {
            fs::create_directories(fs::path(dir_.file(file)).parent_path());
            TempDir::write(dir_.file(file), "x");
        }
        // A link to a file is that file; links to folders, above all one that leads back up,
        // are not followed; a pipe with a Word file's name is no file to open.
        fs::create_symlink("../b.docx", dir_.file("sub/link.docx"));
        fs::create_symlink("..", dir_.file("sub/deep/up"));
        fs::create_directory_symlink(dir_.file("zz"), dir_.file("sub/zz-link"));
        ::mkfifo(dir_.file("sub/pipe.doc").c_str(), 0600);
    }

    std::string root() const { return dir_.path().string() + "/"; }

    FileList::ProblemHandler recorder(Seen& seen) const {
        return
            [&seen, root = root()](FileList::Problem, const std::string& path, const std::string&) {
                seen.problems.push_back(path.starts_with(root) ? path.substr(root.size()) : path);
            };
    }

    // Every entry of the list, read as a batch reads it.
    void drain(FileList& list, Seen& seen) const {
        for (int i = 0; list.has(i); ++i) {
            const auto& entry = list.at(i);
            EXPECT_EQ(entry.path.rfind(root(), 0), 0u) << entry.path;
            seen.files.push_back(entry.path.substr(root().size()) + " -> " + entry.subfolder);
        }
    }

    Seen walk(std::vector<std::string> arguments, bool recursive,
              std::optional<Shard> shard = std::nullopt) const {
        Seen seen;
        FileList list(std::move(arguments), nullptr, recursive, shard, recorder(seen));
        drain(list, seen);
        return seen;
    }

    TempDir dir_;
};

TEST_F(FileListTest, AFolderGivesItsWordFilesAndRecursiveKeepsTheirSubfolders) {
    struct Case {
        const char* name;
        bool recursive;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"top only", false, {"a.doc -> ", "b.docx -> "}},
        {"recursive",
         true,
         {"a.doc -> ", "b.docx -> ", "sub/C.DOC -> sub/", "sub/deep/d.dot -> sub/deep/",
          "sub/deep/e.docx -> sub/deep/", "sub/link.docx -> sub/", "zz/f.docx -> zz/"}},
    };
    for (const auto& c : cases) {
        const Seen seen = walk({dir_.path().string()}, c.recursive);
        EXPECT_EQ(seen.files, c.files) << c.name;
        EXPECT_TRUE(seen.problems.empty()) << c.name;
    }
}

TEST_F(FileListTest, NamedFilesAreCheckedAsBeforeAndTheirCountIsKnown) {
    Seen seen;
    FileList list({dir_.file("a.doc"), dir_.file("notes.txt"), dir_.file("sub/x.pdf"),
                   dir_.file("missing.docx")},
                  nullptr, false, std::nullopt, recorder(seen));
    // Said before anything is converted, as the list is read whole.
    EXPECT_EQ(seen.problems, (std::vector<std::string>{"notes.txt", "sub/x.pdf"}));
    EXPECT_EQ(list.count(), 2);
    drain(list, seen);
    EXPECT_EQ(seen.files, (std::vector<std::string>{"a.doc -> ", "missing.docx -> "}));

    FileList withFolder({dir_.file("a.doc"), dir_.file("zz")}, nullptr, false, std::nullopt,
                        recorder(seen));
    EXPECT_EQ(withFolder.count(), BatchPage::unknownCount);
}

TEST_F(FileListTest, AFolderThatCannotBeReadIsSaidAndTheRestGoesOn) {
    ::chmod(dir_.file("sub/deep").c_str(), 0);
    // Root reads any folder: the walk then runs in a child process as an ordinary user.
    ::chmod(dir_.path().c_str(), 0755);
    const bool asRoot = ::geteuid() == 0;
    const pid_t child = asRoot ? ::fork() : 0;
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (asRoot && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(2);
        }
        const Seen seen = walk({dir_.path().string()}, true);
        const bool right =
            seen.problems == std::vector<std::string>{"sub/deep"} &&
            seen.files == std::vector<std::string>{"a.doc -> ", "b.docx -> ", "sub/C.DOC -> sub/",
                                                   "sub/link.docx -> sub/", "zz/f.docx -> zz/"};
        if (asRoot) {
            ::_exit(right ? 0 : 1);
        }
        EXPECT_TRUE(right);
    } else {
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ::chmod(dir_.file("sub/deep").c_str(), 0700);
}

// The shares of a walk together give every file once; a named file that is no Word file is said
// by its own share only.
TEST_F(FileListTest, SharesOfAWalkTogetherGiveEveryFileOnce) {
    const auto all = walk({dir_.path().string(), dir_.file("notes.txt")}, true);
    std::vector<std::string> joined;
    std::vector<std::string> problems;
    for (const char* share : {"1/3", "2/3", "3/3"}) {
        const auto seen =
            walk({dir_.path().string(), dir_.file("notes.txt")}, true, Shard::parse(share));
        joined.insert(joined.end(), seen.files.begin(), seen.files.end());
        problems.insert(problems.end(), seen.problems.begin(), seen.problems.end());
    }
    std::sort(joined.begin(), joined.end());
    EXPECT_EQ(joined, all.files);
    EXPECT_EQ(problems, std::vector<std::string>{"notes.txt"});
}

struct ReaderCase {
    const char* name;
    std::string text;
    bool nul;
    std::vector<std::string> paths;
};

TEST(PathListReader, SplitsLinesOrNulEntriesAndPassesOverEmptyOnes) {
    const ReaderCase cases[] = {
        {"lines", "a.doc\n\nb c.docx\nlast.doc", false, {"a.doc", "b c.docx", "last.doc"}},
        {"final line end", "a.doc\n", false, {"a.doc"}},
        {"nul", std::string("a\nb.doc\0\0c.doc\0", 15), true, {"a\nb.doc", "c.doc"}},
        {"empty", "", false, {}},
    };
    for (const auto& c : cases) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        ASSERT_EQ(::write(fds[1], c.text.data(), c.text.size()),
                  static_cast<ssize_t>(c.text.size()));
        ::close(fds[1]);
        PathListReader reader(fds[0], c.nul);
        std::vector<std::string> paths;
        while (auto path = reader.next()) {
            paths.push_back(*path);
        }
        EXPECT_EQ(paths, c.paths) << c.name;
        EXPECT_TRUE(reader.failure().empty()) << c.name;
    }
}

// The first file is at hand while the rest of the list has not even been written.
TEST_F(FileListTest, AListIsReadOnlyAsFarAsTheBatchHasGot) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string first = dir_.file("a.doc") + "\n" + dir_.file("notes.txt") + "\n";
    ASSERT_EQ(::write(fds[1], first.data(), first.size()), static_cast<ssize_t>(first.size()));
    Seen seen;
    FileList list({}, std::make_unique<PathListReader>(fds[0], false), false, std::nullopt,
                  recorder(seen));
    EXPECT_EQ(list.count(), BatchPage::unknownCount);
    EXPECT_TRUE(list.arrived(0));
    auto firstFile = std::async(std::launch::async, [&] { return list.has(0); });
    const bool early = firstFile.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    // The next entry is no Word file, and nothing follows yet.
    const bool waits = early && !list.arrived(1);
    const std::string rest = dir_.path().string() + "\n";
    ASSERT_EQ(::write(fds[1], rest.data(), rest.size()), static_cast<ssize_t>(rest.size()));
    ::close(fds[1]);
    EXPECT_TRUE(early) << "the first file waited for the end of the list";
    EXPECT_TRUE(waits) << "the second file was there before it was written";
    ASSERT_TRUE(firstFile.get());
    EXPECT_EQ(list.at(0).path, dir_.file("a.doc"));
    EXPECT_TRUE(list.arrived(1)) << "the list has been written to its end";
    Seen rest_;
    for (int i = 1; list.has(i); ++i) {
        rest_.files.push_back(list.at(i).path.substr(root().size()));
    }
    EXPECT_EQ(rest_.files, (std::vector<std::string>{"a.doc", "b.docx"}));
    EXPECT_EQ(seen.problems, std::vector<std::string>{"notes.txt"});
    EXPECT_FALSE(list.has(3));
}

} // namespace
