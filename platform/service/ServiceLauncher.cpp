#include "platform/service/ServiceLauncher.h"

#include "engine/ProductNames.h"
#include "platform/office/NetworkIsolation.h"
#include "platform/office/OfficeCount.h"
#include "platform/process/UnixSocket.h"
#include "platform/service/ServiceAddress.h"
#include "platform/service/ServiceError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zarta {

namespace fs = std::filesystem;

namespace {

// The environment of a service started by this process: this process's, without the settings
// that are the service's own (its office count follows the machine) or travel with each request
// (whether isolation is required), so that the service keeps none of the client that started it.
std::vector<std::string> serviceEnvironment() {
    std::vector<std::string> kept;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        if (name != OfficeCount::overrideVariable && name != NetworkIsolation::requireVariable) {
            kept.emplace_back(text);
        }
    }
    return kept;
}

// Starts the program detached: the child starts a session of its own and forks again, so the
// service is nobody's child and no terminal's; its output goes to the log.
bool spawnDetached(const std::string& program, const std::string& log) {
    // Made before the fork: the child of a threaded process may only make async-signal-safe
    // calls.
    std::vector<std::string> environment = serviceEnvironment();
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string path = program;
    char* const argv[] = {path.data(), nullptr};
    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        ::setsid();
        if (::fork() != 0) {
            ::_exit(0);
        }
        const int null = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
        ::dup2(null, STDIN_FILENO);
        ::dup2(out >= 0 ? out : null, STDOUT_FILENO);
        ::dup2(out >= 0 ? out : null, STDERR_FILENO);
        ::close_range(3, ~0U, 0);
        ::execve(path.c_str(), argv, envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

} // namespace

std::string ServiceLauncher::programPath() {
    const std::string name(ProductNames::serviceProgram);
    if (const char* chosen = std::getenv("ZARTA_SERVICE_PROGRAM"); chosen && *chosen) {
        return chosen;
    }
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    const fs::path dir = self.parent_path();
    // Installed beside the command line and the desktop program; the add-in's dialog sits in
    // lib/<program>/; the build tree keeps each program in its own folder.
    for (const fs::path& candidate : {dir / name, dir / "../service" / name,
                                      dir / "../app/service" / name, dir / "../../bin" / name}) {
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.lexically_normal().string();
        }
    }
    return {};
}

ServiceChannel::Timeout ServiceLauncher::silenceLimit() {
    if (const char* value = std::getenv("ZARTA_SERVICE_SILENCE_MS"); value && *value) {
        const long ms = std::strtol(value, nullptr, 10);
        if (ms > 0) {
            return ServiceChannel::Timeout(ms);
        }
    }
    return std::chrono::seconds(20);
}

std::unique_ptr<ServiceChannel> ServiceLauncher::connect(bool start, std::string* whyNot) {
    const auto fail = [whyNot](const std::string& why) -> std::unique_ptr<ServiceChannel> {
        if (whyNot) {
            *whyNot = why;
        }
        return nullptr;
    };
    const std::string folder = ServiceAddress::folder();
    try {
        ServiceAddress::prepare(folder);
    } catch (const ServiceError& error) {
        return fail(error.what());
    }
    const std::string socket = ServiceAddress::socketPath();
    if (const int fd = UnixSocket::connect(socket); fd >= 0) {
        return std::make_unique<ServiceChannel>(fd);
    }
    if (errno == ENAMETOOLONG) {
        return fail("the path of the service's socket is too long: " + socket);
    }
    if (!start) {
        return fail("the conversion service is not running");
    }
    const std::string program = programPath();
    if (program.empty()) {
        return fail("the service program " + std::string(ProductNames::serviceProgram) +
                    " was not found");
    }

    const int lock = ::open(ServiceAddress::startLockPath().c_str(),
                            O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        if (lock >= 0) {
            ::close(lock);
        }
        return fail("can't take the service's start lock: " + std::string(std::strerror(errno)));
    }
    // Another client may have started it while this one waited for the lock.
    int fd = UnixSocket::connect(socket);
    if (fd < 0 && spawnDetached(program, ServiceAddress::logPath())) {
        const auto end = std::chrono::steady_clock::now() + startLimit;
        while (fd < 0 && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            fd = UnixSocket::connect(socket);
        }
    }
    ::close(lock);
    if (fd < 0) {
        return fail("the conversion service did not start (see " + ServiceAddress::logPath() + ")");
    }
    return std::make_unique<ServiceChannel>(fd);
}

} // namespace zarta
