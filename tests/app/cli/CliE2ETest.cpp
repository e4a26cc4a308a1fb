// zarta-convert run as a user runs it, with the real office and Ghostscript.
#include "OfficeTestSupport.h"
#include "PermissionCases.h"
#include "TempDir.h"
#include "TestDocuments.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace zarta::test;
namespace fs = std::filesystem;

namespace {

const std::string password = "Geheim 42";

struct Outcome {
    int status = -1;
    std::string output;
};

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
    }
    static void TearDownTestSuite() { delete dir_; }

    static std::string sample(const std::string& name) {
        return std::string(ZARTA_SAMPLES_DIR) + "/" + name;
    }
    static std::string file(const std::string& name) { return dir_->file(name); }
    std::string out(const std::string& name) const { return out_.file(name); }

    // Runs the program with its data folder in the build tree (warm office profile) and the
    // output folder of this test; standard input is not a terminal.
    Outcome convert(const std::string& arguments) const {
        return shell("XDG_DATA_HOME='" + std::string(ZARTA_TEST_DATA_HOME) + "' '" + ZARTA_CONVERT +
                     "' --out '" + out_.path().string() + "' " + arguments + " </dev/null 2>&1");
    }

    static Outcome shell(const std::string& command) {
        Outcome run;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            std::array<char, 4096> buffer{};
            size_t n = 0;
            while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
                run.output.append(buffer.data(), n);
            }
            const int status = ::pclose(pipe);
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return run;
    }

    // Runs the program on a terminal of its own, as a person at a terminal does: waits until
    // the terminal shows `question`, types Ctrl-C, and waits for the program to end.
    struct TerminalRun {
        bool asked = false;
        int status = -1;
        bool echoOn = false;
        std::string screen;
    };
    TerminalRun interruptQuestion(const std::vector<std::string>& arguments,
                                  const std::string& question) const {
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
        // The terminal's own interrupt character, as the Ctrl-C key sends it.
        ::write(master, "\x03", 1);
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
        termios settings{};
        run.echoOn = ::tcgetattr(master, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
        ::close(master);
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
    EXPECT_NE(pdfText(out("welcome.pdf")).find("Bienvenue"), std::string::npos);
    EXPECT_NE(pdfText(out("menu.pdf")).find("Menú del día"), std::string::npos);
    EXPECT_FALSE(fs::exists(out("damaged.pdf")));
    EXPECT_EQ(std::distance(fs::directory_iterator(out_.path()), fs::directory_iterator()), 2)
        << "nothing else, no staging file, is left in the output folder";
}

TEST_F(CliE2E, ExistingPdfsAreKeptOrReplacedAsTold) {
    TempDir::write(out("welcome.pdf"), "%PDF-1.4 older");
    const Outcome kept = convert("--no-overwrite '" + sample("welcome.docx") + "'");
    EXPECT_EQ(kept.status, 1) << kept.output;
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

TEST_F(CliE2E, CtrlCAtATerminalQuestionEndsTheRunAtOnce) {
    TempDir::write(out("welcome.pdf"), "%PDF-1.4 older");
    const TerminalRun replace = interruptQuestion({sample("welcome.docx")}, "[y/N]");
    EXPECT_TRUE(replace.asked) << replace.screen;
    EXPECT_EQ(replace.status, 130) << replace.screen;
    EXPECT_EQ(TempDir::read(out("welcome.pdf")), "%PDF-1.4 older");

    const TerminalRun password = interruptQuestion({file("locked.doc")}, "Password for");
    EXPECT_TRUE(password.asked) << password.screen;
    EXPECT_EQ(password.status, 130) << password.screen;
    EXPECT_TRUE(password.echoOn) << "the terminal echoes again";
    EXPECT_FALSE(fs::exists(out("locked.pdf")));
    EXPECT_TRUE(processesMentioning(ZARTA_TEST_DATA_HOME).empty()) << "no office left running";
}

TEST_F(CliE2E, CommandLineMistakesExitWithTwoAndStartNothing) {
    EXPECT_EQ(convert("--help").status, 0);
    EXPECT_EQ(convert("").status, 2);
    EXPECT_EQ(convert("--user-password=x '" + sample("welcome.docx") + "'").status, 2);
    EXPECT_FALSE(fs::exists(out("welcome.pdf")));
}

} // namespace
