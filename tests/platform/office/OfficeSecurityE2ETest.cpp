// The office against a hostile neighbourhood, with the real office: another user who takes the
// names its pipes would have, a program killed mid-run, documents that try to exhaust its memory or
// reach the network.
#include "platform/office/FileUrl.h"
#include "platform/office/OfficeApplicationFactory.h"

#include "platform/office/MemoryBudget.h"
#include "platform/office/OfficePipe.h"
#include "platform/office/OfficeProfile.h"
#include "tests/support/Neighbour.h"
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace zarta;
using namespace zarta::test;

namespace {

// An HTTP server on 127.0.0.1 that counts the connections it gets and answers 404, until
// destroyed.
class CountingServer {
public:
    CountingServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        EXPECT_EQ(::listen(fd_, 16), 0);
        thread_ = std::thread([this] { serve(); });
    }
    CountingServer(const CountingServer&) = delete;
    CountingServer& operator=(const CountingServer&) = delete;
    ~CountingServer() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }

    std::string url(const std::string& file) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + file;
    }
    int requests() const { return requests_; }

private:
    void serve() {
        while (!stop_) {
            pollfd waiting{fd_, POLLIN, 0};
            if (::poll(&waiting, 1, 100) <= 0) {
                continue;
            }
            const int peer = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (peer < 0) {
                continue;
            }
            ++requests_;
            pollfd request{peer, POLLIN, 0};
            char buffer[4096];
            if (::poll(&request, 1, 1000) > 0 && ::read(peer, buffer, sizeof buffer) > 0) {
                const char answer[] = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
                [[maybe_unused]] const auto sent =
                    ::send(peer, answer, sizeof answer - 1, MSG_NOSIGNAL);
            }
            ::close(peer);
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

// The pipe an office listens on, from its command line.
std::string pipePathOf(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string commandLine((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    const std::string marker = "--accept=pipe,name=";
    const auto at = commandLine.find(marker);
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + marker.size();
    const std::string name = commandLine.substr(start, commandLine.find(';', start) - start);
    return OfficePipe::runtimeFolder() + "/OSL_PIPE_" + std::to_string(::getuid()) + "_" + name;
}

// The URL of an office's profile, from its environment.
std::string profileUrlOf(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::string entry;
    while (std::getline(in, entry, '\0')) {
        if (entry.starts_with("UserInstallation=")) {
            return entry.substr(entry.find('=') + 1);
        }
    }
    return {};
}

// Whether a connection to the socket at path is refused: nobody listens on it any more. An
// office's helper processes may hold its listening socket a moment after the office itself has
// gone.
bool refusesConnections(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const bool refused =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno == ECONNREFUSED;
    ::close(probe);
    return refused;
}

bool exists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

// Writes a .docx of about megabytes MB of XML in paragraphs: the same paragraph over and over,
// which compresses a thousand times (a bomb), or numbered ones, which compress some twenty times
// as a long plain document does.
void makeDenseDocument(const std::string& path, int megabytes, bool numbered = false) {
    TempDir scratch;
    const std::string script =
        "import sys, zipfile\n"
        "W = 'http://schemas.openxmlformats.org/wordprocessingml/2006/main'\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
        "    z.writestr('[Content_Types].xml', '<?xml version=\"1.0\"?><Types xmlns=\"http://"
        "schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Override "
        "PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-"
        "officedocument.wordprocessingml.document.main+xml\"/></Types>')\n"
        "    z.writestr('_rels/.rels', '<?xml version=\"1.0\"?><Relationships xmlns=\"http://"
        "schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"r1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "officeDocument\" Target=\"word/document.xml\"/></Relationships>')\n"
        "    with z.open('word/document.xml', 'w') as part:\n"
        "        part.write(('<?xml version=\"1.0\"?><w:document xmlns:w=\"' + W + '\"><w:body>')"
        ".encode())\n"
        "        for m in range(int(sys.argv[2])):\n"
        "            if sys.argv[3] == 'numbered':\n"
        "                part.write(''.join('<w:p><w:r><w:t>line %d</w:t></w:r></w:p>' % (m * "
        "28000 + i)"
        " for i in range(28000)).encode())\n"
        "            else:\n"
        "                part.write(b'<w:p><w:r><w:t>boom</w:t></w:r></w:p>' * 28000)\n"
        "        part.write(b'</w:body></w:document>')\n";
    TempDir::write(scratch.file("dense.py"), script);
    const std::string command = "python3 '" + scratch.file("dense.py") + "' '" + path + "' " +
                                std::to_string(megabytes) + (numbered ? " numbered" : " same");
    ASSERT_EQ(std::system(command.c_str()), 0);
}

class OfficeSecurityE2ETest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        server_ = new CountingServer;
        TestDocuments maker(officeProfiles("security"));
        maker.make(file("plain.docx"), TestDocuments::Format::Docx,
                   TestDocuments::paragraph("Nothing to see here."));
        maker.make(file("linked.doc"), TestDocuments::Format::Doc,
                   TestDocuments::paragraph("A picture from the web:") +
                       TestDocuments::linkedPicture(server_->url("beacon.png")));
        requestsWhileMaking_ = server_->requests();
    }

    static void TearDownTestSuite() {
        delete server_;
        delete dir_;
    }

    static std::string file(const std::string& name) { return dir_->file(name); }

    static OfficeSettings settings() {
        OfficeSettings settings;
        settings.profileRoot = officeProfiles("security");
        return settings;
    }

    WordRun run(OfficeApplicationFactory& factory, const std::string& name) {
        std::filesystem::remove(file("job.pdf"));
        return runWord(factory, control_, file(name), WordVariant::Text("x"), file("job.pdf"));
    }

    static TempDir* dir_;
    static CountingServer* server_;
    static int requestsWhileMaking_;
    BatchControl control_;
};

TempDir* OfficeSecurityE2ETest::dir_ = nullptr;
CountingServer* OfficeSecurityE2ETest::server_ = nullptr;
int OfficeSecurityE2ETest::requestsWhileMaking_ = 0;

// The other user reads the office's command line and knows where profiles live: before each
// office starts, they take every name they can work out that an office would bind in the shared
// temporary folder: its pipe, and its single-instance pipe, which the office names after its
// profile's path (for the profile folders as older versions named them).
TEST_F(OfficeSecurityE2ETest, AnotherUserCanTakeNoNameAnOfficeNeeds) {
    if (!Neighbour::available()) {
        GTEST_SKIP() << "needs root to act as a second user";
    }
    std::vector<std::unique_ptr<Neighbour>> neighbours;
    OfficeSettings watched = settings();
    watched.beforeStart = [&](const std::string& path) {
        std::vector<std::string> names{path};
        for (int slot = 1; slot <= 4; ++slot) {
            names.push_back(OfficePipe::singleInstancePipe(
                FileUrl::fromPath(watched.profileRoot + "/profile-" + std::to_string(slot))));
        }
        neighbours.push_back(std::make_unique<Neighbour>(names));
    };
    OfficeApplicationFactory factory(watched);
    const WordRun result = run(factory, "plain.docx");
    EXPECT_TRUE(result.printed) << result.detail;
    ASSERT_FALSE(neighbours.empty());
    EXPECT_EQ(neighbours.front()->outcomes().front(), EACCES) << "the pipe's name was taken";
    for (const auto& neighbour : neighbours) {
        EXPECT_EQ(neighbour->connections(), 0) << "an office talked to the other user";
    }
    std::ifstream in("/proc/" + std::to_string(factory.statistics().officePid) + "/cmdline");
    const std::string commandLine((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    EXPECT_EQ(commandLine.find(watched.profileRoot), std::string::npos)
        << "the office's command line tells where its profile is";
}

TEST_F(OfficeSecurityE2ETest, TheOfficeDiesWithAKilledProgramAndItsPipeGoesAtTheNextStart) {
    int output[2];
    ASSERT_EQ(::pipe(output), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const std::string profiles = officeProfiles("security-holder");
    char* const argv[] = {const_cast<char*>(ZARTA_OFFICE_HOLDER),
                          const_cast<char*>(profiles.c_str()), nullptr};
    pid_t holder = 0;
    ASSERT_EQ(::posix_spawn(&holder, ZARTA_OFFICE_HOLDER, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    std::string line;
    char c = 0;
    while (::read(output[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    ::close(output[0]);
    const int office = std::atoi(line.c_str());
    ASSERT_GT(office, 0) << "the holder did not start an office";
    const std::string pipe = pipePathOf(office);
    ASSERT_TRUE(exists(pipe)) << pipe;
    const std::string singleInstance = OfficePipe::singleInstancePipe(profileUrlOf(office));
    ASSERT_TRUE(exists(singleInstance)) << singleInstance;
    // Only a socket bound a while ago counts as left behind (a starting office's is young).
    for (int i = 0;
         i < 150 && std::filesystem::last_write_time(pipe) >
                        std::filesystem::file_time_type::clock::now() - std::chrono::seconds(11);
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(processEnds(office)) << "the office outlived the killed program";
    EXPECT_TRUE(processesMentioning(profiles).empty());
    EXPECT_TRUE(exists(pipe)) << "a killed office leaves its pipe behind";
    for (int i = 0; i < 100 && !refusesConnections(pipe); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    OfficeSettings again = settings();
    again.profileRoot = profiles;
    OfficeApplicationFactory factory(again);
    EXPECT_TRUE(run(factory, "plain.docx").printed);
    EXPECT_FALSE(exists(pipe)) << "the next start left the dead office's pipe";
    EXPECT_FALSE(exists(singleInstance)) << "the next start left the dead office's other pipe";
}

TEST_F(OfficeSecurityE2ETest, RefusesAnXmlBombBeforeItReachesTheOffice) {
    const std::string bomb = file("bomb.docx");
    makeDenseDocument(bomb, 120); // about 120 MB of XML in well under 1 MB
    ASSERT_LT(std::filesystem::file_size(bomb), 2u << 20);

    OfficeApplicationFactory factory(settings());
    const WordRun result = run(factory, "bomb.docx");
    EXPECT_FALSE(result.printed);
    EXPECT_EQ(result.error, WordError::Kind::CannotOpen);
    EXPECT_NE(result.detail.find("compression bomb"), std::string::npos) << result.detail;
    EXPECT_LT(factory.statistics().peakResidentBytes, settings().callResidentLimit);
}

TEST_F(OfficeSecurityE2ETest, StopsAnOfficeThatTakesTooMuchMemoryDuringACall) {
    // Plausible for the file probe, far too big for the office's limit here.
    makeDenseDocument(file("dense.docx"), 60, true);
    OfficeSettings tight = settings();
    tight.callResidentLimit = std::uint64_t{600} << 20;
    tight.memoryBudget = nullptr;
    OfficeApplicationFactory factory(tight);
    const auto started = std::chrono::steady_clock::now();
    const WordRun result = run(factory, "dense.docx");
    EXPECT_FALSE(result.printed);
    EXPECT_EQ(result.error, WordError::Kind::CannotOpen);
    EXPECT_NE(result.detail.find("needs more than 600 MB of memory"), std::string::npos)
        << result.detail;
    EXPECT_LT(std::chrono::steady_clock::now() - started, tight.documentTimeout);
    // Sampled several times a second: the office was stopped soon after crossing the limit.
    EXPECT_LT(factory.statistics().peakResidentBytes, std::uint64_t{900} << 20)
        << factory.statistics().peakResidentBytes;
    EXPECT_TRUE(run(factory, "plain.docx").printed);
}

// The offices of a run share one budget: an office a document drives past it is stopped, with
// a message for that document, while the others go on; its own limit is far away.
TEST_F(OfficeSecurityE2ETest, TheOfficesOfARunShareOneMemoryBudget) {
    makeDenseDocument(file("dense.docx"), 60, true);
    const auto budget = std::make_shared<MemoryBudget>(std::uint64_t{800} << 20);
    OfficeSettings shared = settings();
    shared.memoryBudget = budget;
    shared.documentTimeout = std::chrono::seconds(60);
    OfficeApplicationFactory first(shared);
    OfficeApplicationFactory second(shared);
    ASSERT_TRUE(run(first, "plain.docx").printed); // its office stays, holding memory
    const WordRun result = run(second, "dense.docx");
    EXPECT_FALSE(result.printed);
    EXPECT_NE(result.detail.find("needs more memory than this run allows its word processors "
                                 "together (800 MB)"),
              std::string::npos)
        << result.detail;
    const std::uint64_t firstHeld = first.statistics().peakResidentBytes;
    EXPECT_LT(second.statistics().peakResidentBytes + firstHeld, std::uint64_t{1100} << 20)
        << "stopped soon after the offices together crossed the budget";
    EXPECT_TRUE(run(first, "plain.docx").printed);
    EXPECT_TRUE(run(second, "plain.docx").printed);
}

// Two layers keep a document from reaching the network: the office's network namespace, and,
// where the system allows none (the office then runs with the network), its profile's settings.
TEST_F(OfficeSecurityE2ETest, NeverFetchesAPictureADocLinksTo) {
    for (const bool isolated : {true, false}) {
        SCOPED_TRACE(isolated ? "in a network namespace" : "with the network");
        OfficeSettings chosen = settings();
        chosen.isolateNetwork = isolated;
        OfficeApplicationFactory factory(chosen);
        const int before = server_->requests();
        const WordRun result = run(factory, "linked.doc");
        ASSERT_TRUE(result.printed) << result.detail;
        EXPECT_NE(pdfText(file("job.pdf")).find("A picture from the web:"), std::string::npos);
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // requests still under way
        EXPECT_EQ(server_->requests(), before) << "the office reached the web address";
        if (isolated && !factory.statistics().networkIsolated) {
            std::cout << "[  SKIPPED ] this system gives the office no network namespace\n";
        }
    }
    EXPECT_EQ(requestsWhileMaking_, 0);
}

} // namespace
