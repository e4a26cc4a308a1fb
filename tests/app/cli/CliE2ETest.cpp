// zarta-convert run as a user runs it, with the real office and Ghostscript.
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/PermissionCases.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <poll.h>
#include <pty.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace zarta::test;
namespace fs = std::filesystem;

namespace {

const std::string password = "Geheim 42";

using Outcome = ShellRun;

class CliE2E : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        TestDocuments maker(officeProfiles("cli-documents"));
        maker.make(dir_->file("locked.doc"), TestDocuments::Format::Doc,
                   TestDocuments::paragraph("Vertraulicher Inhalt"), password);
        const std::string sample = TempDir::read(std::string(ZARTA_SAMPLES_DIR) + "/welcome.docx");
        TempDir::write(dir_->file("damaged.docx"), sample.substr(0, sample.size() / 3));
        TempDir::write(dir_->file("notes.txt"), "not a Word file\n");
        TempDir::write(dir_->file("right-password"), password + "\n");
        TempDir::write(dir_->file("wrong-password"), "nope\n");
        TempDir::write(dir_->file("owner-password"), "owner secret\n");
        ::chmod(dir_->file("owner-password").c_str(), 0600);
        // Long enough that Ghostscript is still at work when the program is killed.
        maker.make(dir_->file("long.docx"), TestDocuments::Format::Docx,
                   TestDocuments::report(1, 1500));
    }
    static void TearDownTestSuite() { delete dir_; }

    static std::string sample(const std::string& name) {
        return std::string(ZARTA_SAMPLES_DIR) + "/" + name;
    }
    static std::string file(const std::string& name) { return dir_->file(name); }
    std::string out(const std::string& name) const { return out_.file(name); }

    // Runs the program with its data folder in the build tree (warm office profile), or in
    // dataHome, and the output folder of this test; standard input is not a terminal.
    Outcome convert(const std::string& arguments,
                    const std::string& dataHome = ZARTA_TEST_DATA_HOME) const {
        return shell("XDG_DATA_HOME='" + dataHome + "' '" + ZARTA_CONVERT + "' --out '" +
                     out_.path().string() + "' " + arguments + " </dev/null 2>&1");
    }

    static Outcome shell(const std::string& command) { return runShell(command); }

    // Runs the program on a terminal of its own, as a person at a terminal does: waits until
    // the terminal shows `question`, types Ctrl-C (or, with hangUp, closes the terminal), and
    // waits for the program to end.
    struct TerminalRun {
        bool asked = false;
        int status = -1;
        bool echoOn = false;
        std::string screen;
    };
    TerminalRun interruptQuestion(const std::vector<std::string>& arguments,
                                  const std::string& question, bool hangUp = false) const {
        std::vector<std::string> argv{ZARTA_CONVERT, "--out", out_.path().string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            ::setenv("XDG_DATA_HOME", ZARTA_TEST_DATA_HOME, 1);
            std::vector<char*> args;
            for (auto& a : argv) {
                args.push_back(a.data());
            }
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        TerminalRun run;
        const auto readFor = [&](std::chrono::seconds limit, auto done) {
            const auto end = std::chrono::steady_clock::now() + limit;
            while (!done() && std::chrono::steady_clock::now() < end) {
                pollfd p{master, POLLIN, 0};
                if (::poll(&p, 1, 100) > 0) {
                    std::array<char, 1024> buffer{};
                    const auto n = ::read(master, buffer.data(), buffer.size());
                    if (n <= 0) {
                        return;
                    }
                    run.screen.append(buffer.data(), static_cast<size_t>(n));
                }
            }
        };
        readFor(std::chrono::seconds(120),
                [&] { return run.screen.find(question) != std::string::npos; });
        run.asked = run.screen.find(question) != std::string::npos;
        if (hangUp) {
            ::close(master);
            master = -1;
        } else {
            // The terminal's own interrupt character, as the Ctrl-C key sends it.
            ::write(master, "\x03", 1);
        }
        int status = 0;
        bool ended = false;
        const auto reaped = [&] {
            ended = ended || ::waitpid(pid, &status, WNOHANG) == pid;
            return ended;
        };
        readFor(std::chrono::seconds(30), reaped);
        for (int tries = 0; !reaped() && tries < 300; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (master >= 0) {
            termios settings{};
            run.echoOn = ::tcgetattr(master, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
            ::close(master);
        }
        return run;
    }

    static TempDir* dir_;
    TempDir out_;
};

TempDir* CliE2E::dir_ = nullptr;

TEST_F(CliE2E, MixedBatchConvertsWhatItCanAndFailsTheExitStatus) {
    const Outcome run = convert("'" + sample("welcome.docx") + "' '" + sample("menu.doc") + "' '" +
                                file("damaged.docx") + "' '" + file("notes.txt") + "'");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("notes.txt\": File format not support!"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("damaged.docx"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("2 of 3 files converted, 1 failed\nComplete!"), std::string::npos)
        << run.output;
    EXPECT_NE(pdfText(out("welcome.pdf")).find("Bienvenue"), std::string::npos);
    EXPECT_NE(pdfText(out("menu.pdf")).find("Menú del día"), std::string::npos);
    EXPECT_FALSE(fs::exists(out("damaged.pdf")));
    EXPECT_EQ(std::distance(fs::directory_iterator(out_.path()), fs::directory_iterator()), 2)
        << "nothing else, no staging file, is left in the output folder";
}

TEST_F(CliE2E, ExistingPdfsAreKeptOrReplacedAsTold) {
    TempDir::write(out("welcome.pdf"), "%PDF-1.4 older");
    // Keeping it was asked for: a rerun that finishes an interrupted batch succeeds.
    const Outcome kept = convert("--no-overwrite '" + sample("welcome.docx") + "'");
    EXPECT_EQ(kept.status, 0) << kept.output;
    EXPECT_NE(kept.output.find("0 of 1 files converted, 1 kept"), std::string::npos) << kept.output;
    EXPECT_EQ(TempDir::read(out("welcome.pdf")), "%PDF-1.4 older");

    const Outcome asked = convert("'" + sample("welcome.docx") + "'");
    EXPECT_EQ(asked.status, 1) << "without a terminal the existing PDF is kept";
    EXPECT_EQ(TempDir::read(out("welcome.pdf")), "%PDF-1.4 older");

    const Outcome replaced = convert("--overwrite --title 'Neu (2)' --owner-password-file '" +
                                     file("owner-password") + "' '" + sample("welcome.docx") + "'");
    EXPECT_EQ(replaced.status, 0) << replaced.output;
    const std::string text = pdfText(out("welcome.pdf"));
    EXPECT_NE(text.find("Bienvenue"), std::string::npos);
}

TEST_F(CliE2E, ProtectedDocumentsOpenWithThePasswordFile) {
    const Outcome wrong = convert("--document-password-file '" + file("wrong-password") + "' '" +
                                  file("locked.doc") + "'");
    EXPECT_EQ(wrong.status, 1) << wrong.output;
    EXPECT_NE(wrong.output.find("does not open \"locked.doc\""), std::string::npos) << wrong.output;
    EXPECT_FALSE(fs::exists(out("locked.pdf")));

    const Outcome none = convert("'" + file("locked.doc") + "'");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("is password protected; skipped"), std::string::npos) << none.output;

    // The same document again under the same name in another folder gets the password too.
    fs::create_directory(file("copy"));
    fs::copy_file(file("locked.doc"), file("copy/locked.doc"), fs::copy_options::skip_existing);
    const Outcome right =
        convert("--overwrite --document-password-file '" + file("right-password") + "' '" +
                file("locked.doc") + "' '" + file("copy/locked.doc") + "'");
    EXPECT_EQ(right.status, 0) << right.output;
    EXPECT_NE(pdfText(out("locked.pdf")).find("Vertraulicher Inhalt"), std::string::npos);
}

// Two offices side by side: what the user reads still comes in the order of the command line,
// the password file reaches each protected document, and a PDF name two documents share is
// asked about (here: replaced) only after the first of them is written.
TEST_F(CliE2E, TwoOfficesReportInCommandLineOrderAndEachProtectedDocumentGetsThePassword) {
    fs::create_directory(file("copy"));
    fs::copy_file(file("locked.doc"), file("copy/locked.doc"), fs::copy_options::skip_existing);
    const TempDir dataHome;
    const Outcome run =
        shell("ZARTA_OFFICES=2 XDG_DATA_HOME='" + dataHome.path().string() + "' '" + ZARTA_CONVERT +
              "' --out '" + out_.path().string() + "' --overwrite --document-password-file '" +
              file("right-password") + "' '" + sample("welcome.docx") + "' '" +
              file("damaged.docx") + "' '" + file("locked.doc") + "' '" + file("copy/locked.doc") +
              "' '" + sample("menu.doc") + "' </dev/null 2>&1");
    EXPECT_EQ(run.status, 1) << run.output;
    const std::string folder = out_.path().string() + "/";
    std::vector<size_t> positions;
    for (const std::string& line :
         {"wrote " + folder + "welcome.pdf", std::string("damaged.docx"),
          "wrote " + folder + "locked.pdf", "wrote " + folder + "locked.pdf",
          "wrote " + folder + "menu.pdf"}) {
        const size_t from = positions.empty() ? 0 : positions.back() + 1;
        positions.push_back(run.output.find(line, from));
        EXPECT_NE(positions.back(), std::string::npos) << line << " in order in\n" << run.output;
        if (positions.back() == std::string::npos) {
            break;
        }
    }
    EXPECT_EQ(run.output.find("does not open"), std::string::npos) << run.output;
    EXPECT_NE(pdfText(out("locked.pdf")).find("Vertraulicher Inhalt"), std::string::npos);
    EXPECT_NE(pdfText(out("menu.pdf")).find("Menú del día"), std::string::npos);
    // Each office's profile is renamed at every start: "profile-N-" and a random part.
    for (const std::string profile : {"profile-1-", "profile-2-"}) {
        bool found = false;
        for (const auto& entry :
             fs::directory_iterator(dataHome.path() / "ZartaWordToPDF" / "office")) {
            found = found ||
                    (entry.is_directory() && entry.path().filename().string().starts_with(profile));
        }
        EXPECT_TRUE(found) << profile << ": two offices ran";
    }
}

TEST_F(CliE2E, EachAllowedActionIsGrantedAndEveryOtherDenied) {
    for (const auto& c : permission_cases::all()) {
        SCOPED_TRACE(c.name);
        const std::string allow = c.allowWords();
        const Outcome run =
            convert(std::string("--overwrite --encryption ") +
                    (c.level == zarta::EncryptionLevel::High ? "high" : "low") +
                    (allow.empty() ? "" : " --allow " + allow) + " --owner-password-file '" +
                    file("owner-password") + "' '" + sample("welcome.docx") + "'");
        ASSERT_EQ(run.status, 0) << run.output;
        const Outcome shown = shell("qpdf --show-encryption '" + out("welcome.pdf") + "'");
        EXPECT_EQ(permission_cases::allowedIn(shown.output), c.allowed()) << shown.output;
    }
}

TEST_F(CliE2E, CtrlCOrAClosedTerminalAtAQuestionEndsTheRunAtOnce) {
    TempDir::write(out("welcome.pdf"), "%PDF-1.4 older");
    const TerminalRun replace = interruptQuestion({sample("welcome.docx")}, "[y/N]");
    EXPECT_TRUE(replace.asked) << replace.screen;
    EXPECT_EQ(replace.status, 130) << replace.screen;
    EXPECT_EQ(TempDir::read(out("welcome.pdf")), "%PDF-1.4 older");

    const TerminalRun secret = interruptQuestion({file("locked.doc")}, "Password for");
    EXPECT_TRUE(secret.asked) << secret.screen;
    EXPECT_EQ(secret.status, 130) << secret.screen;
    EXPECT_TRUE(secret.echoOn) << "the terminal echoes again";
    EXPECT_FALSE(fs::exists(out("locked.pdf")));
    EXPECT_TRUE(processesMentioning(ZARTA_TEST_DATA_HOME).empty()) << "no office left running";

    const TerminalRun closed = interruptQuestion({file("locked.doc")}, "Password for", true);
    EXPECT_TRUE(closed.asked) << closed.screen;
    EXPECT_EQ(closed.status, 130) << "a closed terminal ends the run like Ctrl-C";
    EXPECT_FALSE(fs::exists(out("locked.pdf")));
    EXPECT_TRUE(processesMentioning(ZARTA_TEST_DATA_HOME).empty()) << "no office left running";
}

// The names of the files below folder whose content holds text.
std::vector<std::string> filesHolding(const fs::path& folder, const std::string& text) {
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error) && !it->is_symlink(error) &&
            TempDir::read(it->path().string()).find(text) != std::string::npos) {
            found.push_back(it->path().string());
        }
    }
    return found;
}

// How many print files of conversions lie in the data folder.
int printFilesIn(const fs::path& data) {
    int count = 0;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(data, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        count += it->path().filename() == "tmp.ps" ? 1 : 0;
    }
    return count;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The parent of a process, 0 when it has ended. Read with plain calls: a process may end
// while its files are read.
int parentOf(int pid) {
    const int fd = ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY);
    if (fd < 0) {
        return 0;
    }
    std::array<char, 1024> buffer{};
    const ssize_t count = ::read(fd, buffer.data(), buffer.size() - 1);
    ::close(fd);
    const std::string line(buffer.data(), count > 0 ? static_cast<std::size_t>(count) : 0);
    const auto commEnd = line.rfind(')');
    if (commEnd == std::string::npos) {
        return 0;
    }
    // pid (comm) state ppid ...: comm may hold spaces, so count from its closing parenthesis.
    std::istringstream rest(line.substr(commEnd + 1));
    std::string state;
    int parent = 0;
    rest >> state >> parent;
    return parent;
}

// The program's child Ghostscript (the interpreter it keeps for the batch, allowed into its
// own work folder only), 0 while there is none.
int ghostscriptOf(pid_t program) {
    try {
        for (const int pid : processesMentioning("--permit-file-all=")) {
            if (parentOf(pid) == program) {
                return pid;
            }
        }
    } catch (const std::exception&) {
        // A process ended while it was looked at.
    }
    return 0;
}

TEST_F(CliE2E, KilledWhileGhostscriptRunsLeavesNoSecretAfterTheNextStart) {
    const TempDir dataHome;
    const std::string data = (dataHome.path() / "ZartaWordToPDF").string();
    const std::string owner = "Kill9Owner";
    TempDir::write(file("kill-owner"), owner + "\n");
    ::chmod(file("kill-owner").c_str(), 0600);

    const pid_t program = ::fork();
    if (program == 0) {
        ::setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(ZARTA_CONVERT, ZARTA_CONVERT, "--out", out_.path().c_str(), "--owner-password-file",
                file("kill-owner").c_str(), file("long.docx").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // However the test ends, nothing it started outlives it: the program, and the office the
    // program leaves behind when killed (the office is not this test's subject).
    struct Reaper {
        pid_t pid;
        std::string dataHome;
        ~Reaper() {
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
            for (const int left : processesMentioning(dataHome)) {
                ::kill(left, SIGKILL);
            }
        }
    } reaper{program, dataHome.path().string()};
    // Ghostscript is the program's child that writes a PDF from the data folder.
    int ghostscript = 0;
    for (int i = 0; i < 36000 && ghostscript == 0; ++i) {
        ghostscript = ghostscriptOf(program);
        if (ghostscript == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ASSERT_NE(ghostscript, 0) << "Ghostscript never ran";
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    reaper.pid = 0;
    EXPECT_TRUE(processEnds(ghostscript)) << "Ghostscript outlived the program";
    // The killed run left its work folder with the printed document behind...
    EXPECT_EQ(printFilesIn(data), 1);
    // ...but its passwords were never in a file.
    EXPECT_TRUE(filesHolding(dataHome.path(), owner).empty());

    const Outcome next = convert("'" + file("notes.txt") + "'", dataHome.path().string());
    EXPECT_EQ(next.status, 1) << next.output;
    for (const auto& name : namesIn(data)) {
        EXPECT_FALSE(name.starts_with("conversion-")) << name;
    }
    EXPECT_EQ(printFilesIn(data), 0);
    EXPECT_TRUE(namesIn(out_.path()).empty()) << "no partial or hidden PDF";
}

TEST_F(CliE2E, PasswordsTheEncryptionWouldWeakenAreRefusedNamingThem) {
    struct Case {
        const char* name;
        std::string owner, user;
        const char* says;
    };
    const Case cases[] = {
        {"Latin-1 user password", "owner",
         "Gr\xfc\xdf"
         "e",
         "The User Password is not valid UTF-8"},
        {"40-byte owner password", std::string(40, 'o'), "user",
         "The Owner Password is 40 bytes long"},
        {"equal passwords", "same", "same",
         "The Owner Password and the User Password are the same"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::write(file("weak-owner"), c.owner + "\n");
        TempDir::write(file("weak-user"), c.user + "\n");
        ::chmod(file("weak-owner").c_str(), 0600);
        ::chmod(file("weak-user").c_str(), 0644);
        const Outcome run =
            convert("--owner-password-file '" + file("weak-owner") + "' --user-password-file '" +
                    file("weak-user") + "' '" + sample("welcome.docx") + "'");
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("weak-user\" (mode 0644) can be read by other users"),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(run.output.find("weak-owner\" (mode"), std::string::npos) << run.output;
        EXPECT_TRUE(namesIn(out_.path()).empty());
    }
}

TEST_F(CliE2E, ADataFolderOthersControlIsRefusedBeforeAnythingRuns) {
    const TempDir dataHome;
    const std::string data = (dataHome.path() / "ZartaWordToPDF").string();
    fs::create_directory(data);
    ::chmod(data.c_str(), 0777);
    const Outcome open = convert("'" + sample("welcome.docx") + "'", dataHome.path().string());
    EXPECT_EQ(open.status, 1);
    EXPECT_NE(open.output.find("the data folder \"" + data + "\" has mode 0777"), std::string::npos)
        << open.output;

    if (::geteuid() == 0) {
        ::chown(data.c_str(), 65534, 65534); // nobody
        const Outcome foreign =
            convert("'" + sample("welcome.docx") + "'", dataHome.path().string());
        EXPECT_EQ(foreign.status, 1);
        EXPECT_NE(foreign.output.find("belongs to the user \"nobody\", not to you"),
                  std::string::npos)
            << foreign.output;

        // A private data folder of ours in a folder another user owns: they could rename it
        // away and put theirs in its place at any time.
        ::chown(data.c_str(), ::geteuid(), ::getegid());
        ::chmod(data.c_str(), 0700);
        ::chown(dataHome.path().c_str(), 65534, 65534);
        const Outcome below = convert("'" + sample("welcome.docx") + "'", dataHome.path().string());
        ::chown(dataHome.path().c_str(), ::geteuid(), ::getegid());
        EXPECT_EQ(below.status, 1);
        EXPECT_NE(below.output.find("the folder \"" + dataHome.path().string() +
                                    "\" above the data folder \"" + data + "\""),
                  std::string::npos)
            << below.output;
        EXPECT_NE(below.output.find("belongs to the user \"nobody\""), std::string::npos)
            << below.output;
    }
    EXPECT_TRUE(namesIn(out_.path()).empty());
    EXPECT_EQ(namesIn(data), std::vector<std::string>{}) << "nothing was written into it";
}

// The installation's cache of shared extensions, as the office finds it.
fs::path installationExtensionCache() {
    return fs::canonical(fs::canonical("/usr/bin/soffice").parent_path() /
                         "../share/uno_packages/cache");
}

// An office run as root once made the installation's cache of shared extensions with its
// private mode (0700, root's own); every other user's office then failed to start. Each office
// of the program keeps that cache in its profile instead: another user converts, and root's
// run leaves the installation's cache alone. The cache is replaced, in a mount namespace of the
// test's own, by a folder as that root office left it, or by an empty one.
TEST_F(CliE2E, AnInstallationExtensionCacheAnotherUserMadePrivateKeepsNoOfficeFromStarting) {
    if (::geteuid() != 0 || shell("unshare -m true").status != 0) {
        GTEST_SKIP() << "needs root and mount namespaces";
    }
    const fs::path cache = installationExtensionCache();
    const TempDir place;
    fs::permissions(place.path(), fs::perms::owner_all | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    const std::string privateCache = place.file("root-cache");
    fs::create_directories(privateCache + "/uno_packages");
    // The cache as root's office leaves it: the folder it made inside is root's alone.
    ::chmod(privateCache.c_str(), 0755);
    ::chmod((privateCache + "/uno_packages").c_str(), 0700);
    // The other user's home, theirs from /tmp on, as the data folder's checks want it.
    const TempDir userHome;
    const std::string home = userHome.path().string();
    const std::string output = place.file("out");
    fs::create_directories(output);
    fs::copy_file(sample("welcome.docx"), place.file("welcome.docx"));
    ::chmod(place.file("welcome.docx").c_str(), 0644);
    for (const std::string& path : {home, output}) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    // The command run with the folder in the cache's place.
    const auto over = [&cache](const std::string& folder, const std::string& command) {
        return shell("unshare -m sh -c \"mount --bind '" + folder + "' '" + cache.string() +
                     "' && " + command + "\" </dev/null 2>&1");
    };
    // In its own process (env -i drops the test's ZARTA_NO_SERVICE), so that no service of the
    // other user's outlives the test.
    const Outcome other =
        over(privateCache,
             "setpriv --reuid=65534 --regid=65534 --clear-groups env -i ZARTA_NO_SERVICE=1 HOME='" +
                 home + "' PATH=/usr/bin:/bin '" + ZARTA_CONVERT + "' --out '" + output + "' '" +
                 place.file("welcome.docx") + "'");
    EXPECT_EQ(other.status, 0) << other.output;
    EXPECT_TRUE(fs::exists(output + "/welcome.pdf")) << other.output;

    const std::string emptyCache = place.file("empty-cache");
    fs::create_directories(emptyCache);
    const Outcome root = over(
        emptyCache, "XDG_DATA_HOME='" + std::string(ZARTA_TEST_DATA_HOME) + "' '" + ZARTA_CONVERT +
                        "' --out '" + out_.path().string() + "' '" + sample("welcome.docx") + "'");
    EXPECT_EQ(root.status, 0) << root.output;
    EXPECT_EQ(namesIn(emptyCache), std::vector<std::string>{}) << "root's office made it";
}

// Where the system lets the program make no namespace, the word processor runs with the
// network: the run says so once (however many offices it starts) before it converts, or, where
// isolation is required, converts nothing.
TEST_F(CliE2E, WithoutNetworkIsolationTheRunWarnsOnceOrConvertsNothingWhenIsolationIsRequired) {
    const std::string warning = "warning: the word processor runs with network access";
    const std::string refusal = "nothing was converted: the word processor would run with network "
                                "access";
    struct Case {
        const char* name;
        std::string command;
        int status;
        const char* says;
        int times;
        std::size_t pdfs;
    };
    const std::string files = "'" + sample("welcome.docx") + "' '" + sample("menu.doc") + "'";
    const std::string convert =
        std::string("'") + ZARTA_CONVERT + "' --out '" + out_.path().string() + "' ";
    const std::string environment =
        std::string("XDG_DATA_HOME='") + ZARTA_TEST_DATA_HOME + "' ZARTA_OFFICES=2 ";
    const std::string unconfined = environment + "'" + ZARTA_NO_NAMESPACES + "' " + convert;
    const Case cases[] = {
        {"warned", unconfined + files, 0, warning.c_str(), 1, 2},
        {"required by the option", unconfined + "--require-isolation " + files, 1, refusal.c_str(),
         1, 0},
        {"required by the environment", "ZARTA_REQUIRE_ISOLATION=1 " + unconfined + files, 1,
         refusal.c_str(), 1, 0},
        {"isolated, though required", environment + convert + "--require-isolation " + files, 0,
         "network", 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(out_.path());
        fs::create_directory(out_.path());
        const Outcome run = shell(c.command + " </dev/null 2>&1");
        EXPECT_EQ(run.status, c.status) << run.output;
        int times = 0;
        for (auto at = run.output.find(c.says); at != std::string::npos;
             at = run.output.find(c.says, at + 1)) {
            ++times;
        }
        EXPECT_EQ(times, c.times) << run.output;
        EXPECT_EQ(namesIn(out_.path()).size(), c.pdfs) << run.output;
    }
}

TEST_F(CliE2E, AnOverwrittenPrivatePdfStaysPrivate) {
    TempDir::write(out("welcome.pdf"), "%PDF-1.4 older");
    ::chmod(out("welcome.pdf").c_str(), 0600);
    const Outcome run = convert("--overwrite '" + sample("welcome.docx") + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(pdfText(out("welcome.pdf")).find("Bienvenue"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(out("welcome.pdf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Names the file system holds but that are awkward: as long as a name can be once ".pdf"
// replaces ".docx" (250 bytes), in Latin-1 rather than UTF-8, and holding line breaks and a
// terminal escape sequence that would otherwise print lines of their own and recolour the
// terminal.
TEST_F(CliE2E, AnyNameTheFileSystemHoldsConvertsAndIsPrintedEscaped) {
    const TempDir in;
    const std::string names[] = {std::string(246, 'n'), "Men\xFC caf\xE9",
                                 "evil\nwrote fake.pdf\nComplete!\n\x1b[31mred"};
    std::string arguments;
    for (const std::string& name : names) {
        fs::copy_file(sample("welcome.docx"), in.file(name + ".docx"));
        arguments += " '" + in.file(name + ".docx") + "'";
    }
    const Outcome run = convert(arguments);
    EXPECT_EQ(run.status, 0) << run.output;
    for (const std::string& name : names) {
        EXPECT_NE(pdfText(out(name + ".pdf")).find("Bienvenue"), std::string::npos)
            << name.size() << " bytes: " << name;
    }
    EXPECT_EQ(namesIn(out_.path()).size(), 3u);
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("evil\\nwrote fake.pdf\\nComplete!\\n\\033[31mred.docx"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Men\\374 caf\\351.docx"), std::string::npos) << run.output;
    std::istringstream lines(run.output);
    int completes = 0;
    for (std::string line; std::getline(lines, line);) {
        completes += line == "Complete!" ? 1 : 0;
    }
    EXPECT_EQ(completes, 1) << "only the program's own line says the batch is complete";
}

TEST_F(CliE2E, CommandLineMistakesExitWithTwoAndStartNothing) {
    EXPECT_EQ(convert("--help").status, 0);
    EXPECT_EQ(convert("").status, 2);
    EXPECT_EQ(convert("--user-password=x '" + sample("welcome.docx") + "'").status, 2);
    EXPECT_EQ(convert("--overwrite --no-overwrite '" + sample("welcome.docx") + "'").status, 2);
    const Outcome unwritable = convert("--out /proc/self '" + sample("welcome.docx") + "'");
    EXPECT_EQ(unwritable.status, 2) << unwritable.output;
    EXPECT_NE(unwritable.output.find("can't write into \"/proc/self\""), std::string::npos)
        << unwritable.output;
    EXPECT_EQ(unwritable.output.find("converting"), std::string::npos) << unwritable.output;
    EXPECT_FALSE(fs::exists(out("welcome.pdf")));
}

// What a --report file says, one line per line of it: "outcome name pages" (the source's file
// name, "bytes" when the source was not UTF-8 and its exact bytes name an existing file; pages
// "-" when null), or "unparsable: ..." for a line that is not one JSON object with every field.
std::vector<std::string> reportOf(const std::string& report) {
    const std::string script = R"(
import base64, json, os, sys
data = open(sys.argv[1], 'rb').read()
if data and not data.endswith(b'\n'):
    print('unparsable: no line end at the end')
for line in data.splitlines():
    try:
        d = json.loads(line)
        assert set(d) - {'source_bytes', 'pdf_bytes'} == \
            {'source', 'pdf', 'outcome', 'message', 'milliseconds', 'pages'}
        name = os.path.basename(d['source'])
        if 'source_bytes' in d:
            name = 'bytes' if os.path.exists(base64.b64decode(d['source_bytes'])) else 'missing'
        print(d['outcome'], name, '-' if d['pages'] is None else d['pages'])
    except Exception as e:
        print('unparsable:', repr(line), e)
)";
    TempDir::write(report + ".py", script);
    const ShellRun run = runShell("python3 '" + report + ".py' '" + report + "'");
    std::vector<std::string> lines;
    std::istringstream in(run.output);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A folder walked with -r keeps its layout below --out; the report says what became of each
// file: converted, kept (--no-overwrite), refused (named, not a Word file), skipped (protected,
// no password), failed (damaged); with a name holding a line break, a quote, a backslash and a
// byte that is not UTF-8. What is not a Word file inside the folder is passed over, and a link
// back up is not followed. --offices wins over ZARTA_OFFICES: two offices run.
TEST_F(CliE2E, AFolderTreeConvertsWithItsLayoutAndTheReportSaysWhatBecameOfEachFile) {
    const TempDir in;
    const std::string odd = std::string("odd\n\"\\\xff");
    fs::create_directories(in.file("sub/deep"));
    fs::copy_file(sample("welcome.docx"), in.file("welcome.docx"));
    fs::copy_file(sample("menu.doc"), in.file("sub/deep/menu.doc"));
    fs::copy_file(sample("welcome.docx"), in.file("sub/" + odd + ".docx"));
    fs::copy_file(file("damaged.docx"), in.file("sub/damaged.docx"));
    fs::copy_file(file("locked.doc"), in.file("locked.doc"));
    TempDir::write(in.file("sub/notes.txt"), "not a Word file\n");
    fs::create_directory_symlink("..", in.file("sub/deep/up"));
    TempDir::write(out("welcome.pdf"), "%PDF-1.4 older");
    const std::string report = out_.file("report.json");

    const TempDir dataHome;
    const Outcome run = shell("ZARTA_OFFICES=1 XDG_DATA_HOME='" + dataHome.path().string() + "' '" +
                              ZARTA_CONVERT + "' --out '" + out_.path().string() +
                              "' --offices 2 -r --no-overwrite --report '" + report + "' '" +
                              in.path().string() + "' '" + file("notes.txt") + "' </dev/null 2>&1");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(pdfText(out("sub/deep/menu.pdf")).find("Menú del día"), std::string::npos)
        << run.output;
    EXPECT_NE(pdfText(out("sub/" + odd + ".pdf")).find("Bienvenue"), std::string::npos);
    EXPECT_EQ(TempDir::read(out("welcome.pdf")), "%PDF-1.4 older");
    EXPECT_EQ(namesIn(out_.path()),
              (std::vector<std::string>{"report.json", "sub", "welcome.pdf"}));
    EXPECT_EQ(namesIn(out("sub")), (std::vector<std::string>{"deep", odd + ".pdf"}));
    EXPECT_EQ(namesIn(out("sub/deep")), std::vector<std::string>{"menu.pdf"});
    EXPECT_NE(run.output.find("notes.txt\": File format not support!"), std::string::npos)
        << run.output;

    auto lines = reportOf(report);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"converted bytes 1", "converted menu.doc 1",
                                               "failed damaged.docx -", "kept welcome.docx -",
                                               "refused notes.txt -", "skipped locked.doc -"}))
        << TempDir::read(report);
    // Each office's profile is a folder "profile-N-" and a random part.
    std::set<std::string> profiles;
    for (const auto& entry :
         fs::directory_iterator(dataHome.path() / "ZartaWordToPDF" / "office")) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && name.starts_with("profile-")) {
            profiles.insert(name.substr(0, name.find('-', 8) + 1));
        }
    }
    EXPECT_EQ(profiles, (std::set<std::string>{"profile-1-", "profile-2-"}));
}

} // namespace
