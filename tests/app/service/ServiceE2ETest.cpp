// The conversion service as zarta-convert uses it, with the real office and Ghostscript: started
// on demand, shared, killed from either side, refused to other users, ended when idle, and
// writing what the converter writes in its own process.
#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/ProductNames.h"
#include "engine/QuietPrintWatch.h"
#include "platform/office/OfficeCount.h"
#include "platform/service/OptionsCodec.h"
#include "platform/service/RemoteFileConverter.h"
#include "platform/service/ServiceChannel.h"
#include "platform/service/ServiceConverterFactory.h"
#include "platform/service/ServiceMessage.h"
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/RecordingPrompts.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zarta::test;
namespace fs = std::filesystem;

namespace {

using Outcome = ShellRun;

Outcome shell(const std::string& command) {
    return runShell(command);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

int numberAfter(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? std::stoi(match[1]) : 0;
}

class ServiceE2E : public testing::Test {
protected:
    static void SetUpTestSuite() {
        documents_ = new TempDir;
        TestDocuments maker(officeProfiles("service-documents"));
        maker.make(documents_->file("locked.doc"), TestDocuments::Format::Doc,
                   TestDocuments::paragraph("Vertraulicher Inhalt"), "Geheim 42");
        // Long enough that its conversion is still under way seconds after it began.
        maker.make(documents_->file("long.docx"), TestDocuments::Format::Docx,
                   TestDocuments::report(1, 1500));
        TempDir::write(documents_->file("password"), "Geheim 42\n");
        TempDir::write(documents_->file("owner"), "owner secret\n");
        ::chmod(documents_->file("password").c_str(), 0600);
        ::chmod(documents_->file("owner").c_str(), 0600);
    }
    static void TearDownTestSuite() { delete documents_; }

    void TearDown() override {
        if (const int pid = servicePid(); pid > 0) {
            ::kill(pid, SIGTERM);
            for (int i = 0; i < 50 && processRunning(pid); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        }
    }

    static std::string document(const std::string& name) { return documents_->file(name); }
    static std::string sample(const std::string& name) {
        return std::string(ZARTA_SAMPLES_DIR) + "/" + name;
    }

    // The environment of every program run here: this test's runtime folder (so its own
    // service), the build's data folder (warm office profile) unless the test chose another.
    std::string environment() const {
        return "XDG_RUNTIME_DIR='" + runtime_.path().string() + "' XDG_DATA_HOME='" + dataHome_ +
               "' ZARTA_SERVICE_PROGRAM='" + ZARTA_SERVICE + "' " + extraEnvironment_ + " ";
    }
    Outcome convert(const std::string& arguments, const std::string& out) const {
        fs::create_directories(out);
        return shell(environment() + "'" ZARTA_CONVERT "' --out '" + out + "' " + arguments +
                     " </dev/null 2>&1");
    }
    Outcome status() const {
        return shell(environment() + "'" ZARTA_CONVERT "' --service-status 2>&1");
    }
    int servicePid() const {
        return numberAfter(status().output, R"(service: running \(process (\d+))");
    }
    std::string socketPath() const {
        return runtime_.path().string() + "/ZartaWordToPDF-service/service.socket";
    }
    // Starts zarta-convert in the background; its output goes to the file.
    pid_t spawn(const std::string& arguments, const std::string& out,
                const std::string& log) const {
        fs::create_directories(out);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c",
                    ("exec env " + environment() + "'" ZARTA_CONVERT "' --out '" + out + "' " +
                     arguments + " </dev/null >'" + log + "' 2>&1")
                        .c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }
    static int waitFor(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static int workFolders() {
        int count = 0;
        for (const auto& entry :
             fs::directory_iterator(std::string(ZARTA_TEST_DATA_HOME) + "/ZartaWordToPDF")) {
            count += entry.path().filename().string().rfind("conversion-", 0) == 0;
        }
        return count;
    }

    // A converter of this test's service made in this process, as the desktop program and the
    // add-in's dialog make theirs.
    std::unique_ptr<zarta::RemoteFileConverter> serviceConverter(const std::string& installFolder) {
        ::setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", ZARTA_TEST_DATA_HOME, 1);
        ::setenv("ZARTA_SERVICE_PROGRAM", ZARTA_SERVICE, 1);
        factory_ = std::make_unique<zarta::ServiceConverterFactory>(
            std::string(ZARTA_TEST_DATA_HOME) + "/ZartaWordToPDF", true);
        zarta::ConverterFactory::Request request;
        request.installFolder = installFolder;
        request.count = 1;
        auto converters = factory_->makeConverters(request, prompts_, printWatch_);
        fs::create_directories(out_.path());
        return std::unique_ptr<zarta::RemoteFileConverter>(
            dynamic_cast<zarta::RemoteFileConverter*>(converters.front().release()));
    }

    TempDir runtime_;
    TempDir out_;
    RecordingPrompts prompts_;
    zarta::QuietPrintWatch printWatch_;
    std::unique_ptr<zarta::ServiceConverterFactory> factory_;
    std::string dataHome_ = ZARTA_TEST_DATA_HOME;
    std::string extraEnvironment_;
    static TempDir* documents_;
};

TempDir* ServiceE2E::documents_ = nullptr;

// Its command line: help and version (which its manual page is made from), and a wrong one
// refused before anything starts.
TEST_F(ServiceE2E, ItsCommandLineAnswersHelpAndVersionAndRefusesAWrongOne) {
    struct Case {
        const char* arguments;
        int status;
        std::string says;
    };
    const std::string program(zarta::ProductNames::serviceProgram);
    const std::vector<Case> cases{
        {"--help", 0, "Usage: " + program + " [--idle-exit SECONDS]\n"},
        {"-h", 0, "\n  --version "},
        {"--version", 0,
         program + " (" + std::string(zarta::ProductNames::product) + ") " +
             std::string(zarta::ProductNames::version) + "\n"},
        {"--idle-exit 0", 2, "wrong command line at \"--idle-exit\""},
        {"--idle-exit", 2, "wrong command line at \"--idle-exit\""},
        {"--bogus", 2, "wrong command line at \"--bogus\""},
    };
    for (const Case& c : cases) {
        const Outcome run =
            shell(environment() + "'" ZARTA_SERVICE "' " + c.arguments + " </dev/null 2>&1");
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
        EXPECT_TRUE(contains(run.output, c.says)) << c.arguments << "\n" << run.output;
    }
    EXPECT_EQ(status().status, 1) << "a service was started";
}

TEST_F(ServiceE2E, StartsOnDemandAndKeepsItsOfficeForTheNextCall) {
    const Outcome before = status();
    EXPECT_EQ(before.status, 1);
    EXPECT_TRUE(contains(before.output, "not running")) << before.output;

    const Outcome first = convert(sample("welcome.docx"), out_.file("a"));
    ASSERT_EQ(first.status, 0) << first.output;
    const Outcome running = status();
    ASSERT_EQ(running.status, 0) << running.output;
    EXPECT_TRUE(contains(running.output, "documents converted: 1")) << running.output;
    const int office = numberAfter(running.output, R"(office 1: running \(process (\d+))");
    EXPECT_GT(office, 0) << running.output;

    const Outcome second = convert(sample("menu.doc"), out_.file("a"));
    ASSERT_EQ(second.status, 0) << second.output;
    const Outcome after = status();
    EXPECT_TRUE(contains(after.output, "documents converted: 2")) << after.output;
    EXPECT_EQ(numberAfter(after.output, R"(office 1: running \(process (\d+))"), office)
        << "the office was not kept: " << after.output;
    EXPECT_NE(pdfText(out_.file("a/menu.pdf")).find("Menú del día"), std::string::npos);
}

TEST_F(ServiceE2E, WritesWhatTheConverterWritesInItsOwnProcess) {
    const std::string common = "--title 'Quartalsbericht' --author 'Ana' --owner-password-file '" +
                               document("owner") + "' --allow printing,copy " +
                               "--document-password-file '" + document("password") + "' ";
    const std::vector<std::pair<const char*, std::string>> routes{
        {"printed", "--encryption high "},
        {"structure kept", "--keep-structure --tagged --encryption aes256 "},
    };
    const std::string files = "'" + sample("welcome.docx") + "' '" + sample("menu.doc") + "' '" +
                              document("locked.doc") + "'";
    for (const auto& [route, options] : routes) {
        const std::string out = out_.file(std::string("out-") + route);
        const std::string kept = out_.file(std::string("service-") + route);
        const Outcome service = convert(common + options + files, out);
        ASSERT_EQ(service.status, 0) << route << "\n" << service.output;
        fs::rename(out, kept);
        const Outcome inProcess = convert("--no-service " + common + options + files, out);
        ASSERT_EQ(inProcess.status, 0) << route << "\n" << inProcess.output;
        // The same lines in the same order, except where a file's "converting" line falls
        // among the earlier files' "wrote" lines: that depends on when the next file is taken.
        const auto lines = [](const std::string& output) {
            std::vector<std::string> outcomes;
            std::vector<std::string> started;
            std::istringstream in(output);
            for (std::string line; std::getline(in, line);) {
                (line.rfind("converting ", 0) == 0 ? started : outcomes).push_back(line);
            }
            return std::pair{outcomes, started};
        };
        EXPECT_EQ(lines(service.output), lines(inProcess.output)) << route << "\n"
                                                                  << service.output << "\n"
                                                                  << inProcess.output;

        for (const std::string name : {"welcome.pdf", "menu.pdf", "locked.pdf"}) {
            const auto facts = [](const std::string& pdf) {
                return shell("qpdf --password='owner secret' --show-encryption '" + pdf +
                             "' 2>&1; pdfinfo -opw 'owner secret' '" + pdf +
                             "' 2>&1 | grep -E '^(Title|Author|Pages|Page size|Encrypted|PDF "
                             "version|Tagged)'; pdftotext -opw 'owner secret' -enc UTF-8 '" +
                             pdf + "' - 2>&1")
                    .output;
            };
            const std::string a = facts(kept + "/" + name);
            EXPECT_EQ(a, facts(out + "/" + name)) << route << " " << name;
            EXPECT_TRUE(contains(a, "Quartalsbericht")) << a;
        }
        EXPECT_TRUE(
            contains(shell("pdftotext -opw 'owner secret' '" + kept + "/locked.pdf' -").output,
                     "Vertraulicher Inhalt"));
    }
}

// Where no office can start (here: the folder for its profiles is taken by a file), the run ends
// at its first file with the reason, as in the program's own process: the same lines, the same
// exit status.
TEST_F(ServiceE2E, AnOfficeThatCannotStartEndsTheRunAsInItsOwnProcess) {
    const TempDir home;
    fs::create_directories(home.path() / "ZartaWordToPDF");
    TempDir::write(home.file("ZartaWordToPDF/office"), "not a folder\n");
    dataHome_ = home.path().string();
    const std::string files = "'" + sample("welcome.docx") + "' '" + sample("menu.doc") + "'";
    const Outcome service = convert(files, out_.file("service"));
    const Outcome inProcess = convert("--no-service " + files, out_.file("own"));
    EXPECT_EQ(service.status, 1) << service.output;
    EXPECT_EQ(service.status, inProcess.status);
    EXPECT_EQ(service.output, inProcess.output);
    EXPECT_TRUE(
        contains(service.output, "zarta-convert: the word processor could not be started: "))
        << service.output;
    EXPECT_GT(servicePid(), 0) << "the run did not go through the service";
}

// The service's number of offices is the machine's, whichever client started it; a client that
// chooses another number converts in its own process, one that chooses the service's uses it.
TEST_F(ServiceE2E, ItsOfficeCountFollowsTheMachineNotTheClientThatStartedIt) {
    const auto offices = [this] {
        const std::string text = status().output;
        int count = 0;
        for (std::size_t at = text.find("\noffice "); at != std::string::npos;
             at = text.find("\noffice ", at + 1)) {
            ++count;
        }
        return count;
    };
    // The machine's own number, whatever the environment of the test sets.
    ::unsetenv(zarta::OfficeCount::overrideVariable);
    const int machine = zarta::OfficeCount::forThisMachine();
    extraEnvironment_ = "ZARTA_OFFICES=" + std::to_string(machine == 1 ? 2 : 1);
    ASSERT_EQ(convert(sample("welcome.docx"), out_.file("a")).status, 0);
    EXPECT_EQ(offices(), machine) << status().output;
    EXPECT_TRUE(contains(status().output, "documents converted: 0")) << status().output;

    extraEnvironment_ = "ZARTA_OFFICES=" + std::to_string(machine);
    ASSERT_EQ(convert(sample("menu.doc"), out_.file("b")).status, 0);
    EXPECT_TRUE(contains(status().output, "documents converted: 1")) << status().output;
}

// A program that names an installation folder for Ghostscript (the add-in's InstallPath), here
// relative to its working folder, has the service convert with that folder's Ghostscript.
TEST_F(ServiceE2E, TheServiceUsesTheGhostscriptOfTheFolderARequestNames) {
    const TempDir install;
    fs::create_directories(install.path() / "bin");
    const std::string runs = install.file("runs");
    TempDir::write(install.file("bin/gs"),
                   "#!/bin/sh\necho run >> '" + runs + "'\nexec /usr/bin/gs \"$@\"\n");
    ::chmod(install.file("bin/gs").c_str(), 0755);
    const fs::path here = fs::current_path();
    fs::current_path(install.path());
    zarta::BatchControl control;
    const auto converter = serviceConverter(".");
    EXPECT_EQ(converter->convert(sample("welcome.docx"), out_.file("welcome.pdf"),
                                 zarta::ConversionOptions(), control),
              zarta::FileOutcome::Converted);
    fs::current_path(here);
    EXPECT_FALSE(converter->inProcess());
    EXPECT_GT(fs::file_size(out_.file("welcome.pdf")), 0U);
    EXPECT_TRUE(contains(TempDir::read(runs), "run")) << "its Ghostscript did not run";
    EXPECT_TRUE(contains(status().output, "documents converted: 1")) << status().output;
}

// A held batch (the desktop program's Pause) waits before a file's PDF is written, as in the
// program's own process; the file's print waits in the service, which holds no office for it.
TEST_F(ServiceE2E, AHeldBatchWaitsBeforeThePdfAndGoesOnWhenResumed) {
    zarta::BatchControl control;
    const auto converter = serviceConverter("");
    auto started = converter->start(sample("welcome.docx"), out_.file("welcome.pdf"),
                                    zarta::ConversionOptions(), control, [] {});
    ASSERT_EQ(started.outcome, zarta::FileOutcome::Converted);
    ASSERT_TRUE(started.remainder);
    control.hold();
    std::string failure;
    std::thread pdf([&] {
        try {
            started.remainder(control);
        } catch (const std::exception& error) {
            failure = error.what();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_FALSE(fs::exists(out_.file("welcome.pdf")));
    EXPECT_TRUE(contains(status().output, "documents converted: 0")) << status().output;
    control.resume();
    pdf.join();
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(fs::exists(out_.file("welcome.pdf")));
    EXPECT_FALSE(converter->inProcess());
}

TEST_F(ServiceE2E, TwoClientsConvertAtOnce) {
    // Started first, so that both clients find it.
    ASSERT_EQ(convert(sample("welcome.docx"), out_.file("warm")).status, 0);
    const pid_t a = spawn("'" + sample("welcome.docx") + "' '" + sample("bericht.docx") + "'",
                          out_.file("a"), out_.file("a.log"));
    const pid_t b = spawn("'" + sample("menu.doc") + "' '" + document("long.docx") + "'",
                          out_.file("b"), out_.file("b.log"));
    EXPECT_EQ(waitFor(a), 0) << TempDir::read(out_.file("a.log"));
    EXPECT_EQ(waitFor(b), 0) << TempDir::read(out_.file("b.log"));
    for (const std::string pdf : {"a/welcome.pdf", "a/bericht.pdf", "b/menu.pdf", "b/long.pdf"}) {
        EXPECT_TRUE(fs::exists(out_.file(pdf))) << pdf;
    }
    EXPECT_TRUE(contains(status().output, "documents converted: 5")) << status().output;
}

TEST_F(ServiceE2E, AClientKilledMidBatchLeavesNothingBehind) {
    ASSERT_EQ(convert(sample("welcome.docx"), out_.file("warm")).status, 0);
    const int foldersBefore = workFolders();
    const std::string long1 = out_.file("long1.docx");
    const std::string long2 = out_.file("long2.docx");
    fs::copy_file(document("long.docx"), long1);
    fs::copy_file(document("long.docx"), long2);
    const pid_t client =
        spawn("'" + long1 + "' '" + long2 + "'", out_.file("killed"), out_.file("killed.log"));
    // While the first is in the office (a warm service may be done with it within three seconds).
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ::kill(client, SIGKILL);
    waitFor(client);

    // The service abandons the files and goes on; the killed client's own work folders are
    // removed by the next start of a program, as without the service, the service's at once.
    EXPECT_FALSE(fs::exists(out_.file("killed/long1.pdf")));
    EXPECT_FALSE(fs::exists(out_.file("killed/long2.pdf")));
    const Outcome next = convert(sample("menu.doc"), out_.file("next"));
    EXPECT_EQ(next.status, 0) << next.output;
    for (int i = 0; i < 50 && workFolders() > foldersBefore; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_EQ(workFolders(), foldersBefore);
    EXPECT_TRUE(contains(status().output, "connections: 1")) << status().output;
}

// A run interrupted while the service converts its first file, from either side: a service
// killed, or hung (silent past the client's limit, which ends it), fails that file and a fresh
// service converts the next one (in the same run when the stopped service had not begun it, in
// the next run in any case); Ctrl-C ends the run and the service goes on.
TEST_F(ServiceE2E, ARunInterruptedMidRequestEndsAsItShould) {
    struct Case {
        const char* name;
        std::string environment;
        bool toService; // the signal goes to the service, or else to the client
        int signal;
        int status;
        const char* says;
        bool nextConverted;
    };
    const std::vector<Case> cases{
        {"service killed", "", true, SIGKILL, 1,
         "the conversion service stopped during the conversion", true},
        {"service hung", "ZARTA_SERVICE_SILENCE_MS=3000", true, SIGSTOP, 1,
         "did not answer in time", true},
        {"Ctrl-C", "", false, SIGINT, 130, "interrupted; 0 of 2 files converted", false},
    };
    for (const Case& c : cases) {
        extraEnvironment_ = c.environment;
        const std::string out = out_.file(c.name);
        ASSERT_EQ(convert(sample("welcome.docx"), out + "-warm").status, 0) << c.name;
        const int service = servicePid();
        ASSERT_GT(service, 0) << c.name;
        const pid_t client = spawn("'" + document("long.docx") + "' '" + sample("menu.doc") + "'",
                                   out, out + ".log");
        // While the long document is in the office, before the next file's turn.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::kill(c.toService ? service : client, c.signal);
        const int exit = waitFor(client);
        const std::string log = TempDir::read(out + ".log");
        EXPECT_EQ(exit, c.status) << c.name << "\n" << log;
        EXPECT_TRUE(contains(log, c.says)) << c.name << "\n" << log;
        EXPECT_FALSE(fs::exists(out + "/long.pdf")) << c.name << "\n" << log;
        // The next file goes to a fresh service, unless the stopped one had begun it as well (its
        // print done before the signal, its PDF waiting for the long one's): then it fails alike.
        const bool nextBegun = contains(log, "Couldn't convert \"" + sample("menu.doc") +
                                                 "\": the conversion service");
        EXPECT_EQ(fs::exists(out + "/menu.pdf"), c.nextConverted && !nextBegun) << c.name << "\n"
                                                                                << log;
        EXPECT_TRUE(c.toService || !nextBegun) << c.name << "\n" << log;
        if (c.toService) {
            EXPECT_TRUE(processEnds(service)) << c.name;
        }
        EXPECT_EQ(convert(sample("menu.doc"), out + "-next").status, 0) << c.name;
        const int next = servicePid();
        EXPECT_GT(next, 0) << c.name;
        EXPECT_EQ(next == service, !c.toService) << c.name;
    }
}

TEST_F(ServiceE2E, AnotherUsersConnectionIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to connect as another user";
    }
    ASSERT_EQ(convert(sample("welcome.docx"), out_.file("warm")).status, 0);
    // As if the folder and socket had been opened to everyone: the service still checks who
    // connects.
    const std::string folder = runtime_.path().string() + "/ZartaWordToPDF-service";
    ::chmod(runtime_.path().c_str(), 0755);
    ::chmod(folder.c_str(), 0755);
    ::chmod(socketPath().c_str(), 0666);
    const pid_t other = ::fork();
    if (other == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath().c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::_exit(4);
        }
        zarta::ServiceChannel channel(fd);
        try {
            // Refused at once, before any request.
            const auto reply = channel.receive(std::chrono::seconds(10));
            ::_exit(reply && reply->kind() == zarta::ServiceMessage::Kind::Refused ? 0 : 1);
        } catch (...) {
            ::_exit(2);
        }
    }
    EXPECT_EQ(waitFor(other), 0) << "1: served, 2: no answer, 4: could not connect";
    ::chmod(folder.c_str(), 0700);
    ::chmod(runtime_.path().c_str(), 0700);
    EXPECT_EQ(status().status, 0);
}

TEST_F(ServiceE2E, ABrokenRequestClosesOnlyItsOwnConnection) {
    ASSERT_EQ(convert(sample("welcome.docx"), out_.file("warm")).status, 0);
    const auto connection = [this] {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath().c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    };
    // A file whose Ghostscript folder is relative: the service would look for it in its own
    // working folder, not the client's.
    zarta::ServiceMessage relative(zarta::ServiceMessage::Kind::Convert);
    relative.addText(sample("menu.doc"))
        .addText(out_.file("menu.pdf"))
        .addFlag(false)
        .addText("gs-folder")
        .addFlag(false);
    zarta::OptionsCodec::write(relative, zarta::ConversionOptions());
    const std::vector<std::pair<const char*, std::string>> requests{
        {"a relative Ghostscript folder", relative.encode()},
        {"a frame longer than allowed", std::string("\xff\xff\xff\x7f", 4)},
        {"an unknown kind", std::string("\x03\x00\x00\x00\x02\x00"
                                        "c",
                                        7)},
        {"a reply's kind", zarta::ServiceMessage(zarta::ServiceMessage::Kind::Done).encode()},
        {"options cut short",
         zarta::ServiceMessage(zarta::ServiceMessage::Kind::Convert).addText("a.doc").encode()},
    };
    for (const auto& [name, bytes] : requests) {
        zarta::ServiceChannel channel(connection());
        ASSERT_EQ(::write(channel.descriptor(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
        EXPECT_FALSE(channel.receive(std::chrono::seconds(10)).has_value()) << name;
    }
    // A client that connects and says nothing holds nothing up.
    zarta::ServiceChannel silent(connection());
    EXPECT_EQ(convert(sample("menu.doc"), out_.file("next")).status, 0);
    EXPECT_TRUE(contains(status().output, "documents converted: 2")) << status().output;
}

TEST_F(ServiceE2E, EndsAfterItsIdleTimeWithItsOffices) {
    extraEnvironment_ = "ZARTA_SERVICE_IDLE_EXIT=2";
    ASSERT_EQ(convert(sample("welcome.docx"), out_.file("a")).status, 0);
    const Outcome running = status();
    const int service = numberAfter(running.output, R"(service: running \(process (\d+))");
    const int office = numberAfter(running.output, R"(office 1: running \(process (\d+))");
    ASSERT_GT(service, 0) << running.output;
    for (int i = 0; i < 100 && processRunning(service); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(processRunning(service));
    EXPECT_FALSE(office > 0 && processRunning(office));
    EXPECT_EQ(status().status, 1);
}

} // namespace
