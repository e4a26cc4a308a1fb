// zarta-service: the user's conversion service. Keeps offices and Ghostscript interpreters
// running for zarta-convert, the desktop program and the add-in's dialog, and ends itself after
// an idle time. Started on demand by those programs, or by systemd's user instance through
// socket activation.

#include "app/service/ConversionService.h"
#include "engine/EscapedText.h"
#include "engine/ProductNames.h"
#include "platform/folders/DataFolders.h"
#include "platform/office/OfficeCount.h"
#include "platform/service/ServiceAddress.h"
#include "platform/service/ServiceError.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace zarta;

namespace {

constexpr long defaultIdleExit = 600;
// systemd's first passed descriptor (sd_listen_fds).
constexpr int firstPassedFd = 3;

void fail(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", ProductNames::serviceProgram.data(),
                 EscapedText::forTerminal(text).c_str());
}

std::optional<long> seconds(const char* text) {
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > 7 * 24 * 3600) {
        return std::nullopt;
    }
    return value;
}

std::string usage() {
    const std::string program(ProductNames::serviceProgram);
    const std::string idle = std::to_string(defaultIdleExit);
    return "Usage: " + program + " [--idle-exit SECONDS]\n" +
           "Keeps word processors and Ghostscript running for this user's conversions, so that " +
           std::string(ProductNames::commandLineProgram) + ",\n" +
           std::string(ProductNames::program) +
           " and the word-processor add-in convert a document without starting an office "
           "first.\nThey start it when they need it (or systemd's user instance does, when its "
           "socket is\nfirst used); it ends itself after a time without work, and its offices "
           "with it.\n\n"
           "Options:\n"
           "  --idle-exit SECONDS   end after SECONDS (1 to 604800) without work (default: " +
           idle + ",\n" +
           "                        or $ZARTA_SERVICE_IDLE_EXIT)\n"
           "  -h, --help            show this help and exit\n"
           "  --version             show the version and exit\n\n"
           "Its socket is " +
           std::string(DataFolders::programFolder) +
           "-service/service.socket in $XDG_RUNTIME_DIR (in the program's data\n"
           "folder when that is not set), in a folder only the user may enter; it serves no other "
           "user.\nIts offices, their number and their memory budget follow the machine. One "
           "runs per user:\na second one ends at once.\n\n"
           "Exit status: 0 when it ended (after its idle time, on SIGTERM, SIGINT or SIGHUP) or "
           "found the\nservice of this user running, 1 when it could not serve, 2 for a wrong "
           "command line.\n";
}

// The socket systemd passed, when it started this program for its socket unit.
int passedSocket() {
    const char* pid = std::getenv("LISTEN_PID");
    const char* fds = std::getenv("LISTEN_FDS");
    if (pid == nullptr || fds == nullptr || std::strtol(pid, nullptr, 10) != ::getpid() ||
        std::strtol(fds, nullptr, 10) < 1) {
        return -1;
    }
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");
    ::fcntl(firstPassedFd, F_SETFD, FD_CLOEXEC);
    return firstPassedFd;
}

int listenAt(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        fail("the path of the socket is too long: " + path);
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // The service lock is held: a socket left at the path belongs to a service that died.
    ::unlink(path.c_str());
    // Only the user may connect; the folder is private as well.
    const mode_t mask = ::umask(0177);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, 64) != 0) {
        fail("can't listen at " + path + ": " + std::strerror(errno));
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    long idleExit = seconds(std::getenv("ZARTA_SERVICE_IDLE_EXIT")).value_or(defaultIdleExit);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto value = i + 1 < argc ? seconds(argv[i + 1]) : std::nullopt;
        if (argument == "--idle-exit" && value) {
            idleExit = *value;
            ++i;
        } else if (argument == "-h" || argument == "--help") {
            std::fputs(usage().c_str(), stdout);
            return 0;
        } else if (argument == "--version") {
            std::printf("%s (%s) %s\n", ProductNames::serviceProgram.data(),
                        ProductNames::product.data(), ProductNames::version.data());
            return 0;
        } else {
            fail("wrong command line at \"" + argument + "\"");
            std::fputs(usage().c_str(), stderr);
            return 2;
        }
    }

    // The service outlives the program that started it and works only with absolute paths: it
    // keeps no folder of that program's in use (a folder to be removed, a disk to be unmounted).
    if (::chdir("/") != 0) {
        fail(std::string("can't change to the root folder: ") + std::strerror(errno));
        return 1;
    }

    // The signals that end the service are taken by its main loop; every thread started from
    // here on inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const std::string dataFolder = DataFolders::dataFolder();
    const std::string folder = ServiceAddress::folder();
    try {
        DataFolders::prepare(dataFolder);
        ServiceAddress::prepare(folder);
    } catch (const std::runtime_error& error) {
        fail(error.what());
        return 1;
    }
    const int lock = ::open(ServiceAddress::serviceLockPath().c_str(),
                            O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        fail("can't open the service lock: " + std::string(std::strerror(errno)));
        return 1;
    }
    // A service that is ending holds the lock until its offices are gone; one that runs keeps
    // it.
    const auto lockLimit = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() > lockLimit) {
            fail("the conversion service of this user already runs");
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    const int passed = passedSocket();
    const int listening = passed >= 0 ? passed : listenAt(ServiceAddress::socketPath());
    if (listening < 0) {
        return 1;
    }
    int status = 0;
    {
        ConversionService service(
            {dataFolder, OfficeCount::forThisMachine(), std::chrono::seconds(idleExit)}, listening);
        status = service.run();
        // A client that connects from now on finds no socket and starts a new service, which
        // waits for this one's lock while this one's offices end.
        if (passed < 0) {
            ::unlink(ServiceAddress::socketPath().c_str());
        }
    }
    ::close(lock);
    return status;
}
