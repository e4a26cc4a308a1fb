#include "platform/office/OfficeProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sched.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zarta {

namespace {

// What the child reports before it starts the office.
constexpr char isolatedReport = 'i';
constexpr char openReport = 'o';

bool writeAll(const char* path, const std::string& text) {
    const int file = ::open(path, O_WRONLY | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    const bool written =
        ::write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(file);
    return written;
}

// In the child, between fork and exec (async-signal-safe calls only). A network namespace needs
// CAP_SYS_ADMIN; without it, a user namespace of its own grants it, mapping only the user's ids
// so that files and the pipe keep their owner. Returns whether the process is now isolated.
bool isolateNetwork(const std::string& uidMap, const std::string& gidMap) {
    if (::unshare(CLONE_NEWNET) == 0) {
        return true;
    }
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        return false;
    }
    if (!writeAll("/proc/self/setgroups", "deny") || !writeAll("/proc/self/uid_map", uidMap) ||
        !writeAll("/proc/self/gid_map", gidMap)) {
        // Unmapped, the office would not even find its own pipe: better not start at all.
        ::_exit(127);
    }
    return true;
}

int decodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

} // namespace

OfficeProcess::OfficeProcess(const std::vector<std::string>& arguments, const std::string& logFile,
                             const std::string& temporaryFolder, const Confinement& confinement) {
    // Everything the child needs is built before fork: between fork and exec only
    // async-signal-safe calls are allowed (the parent has other threads).
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "TMPDIR=", 7) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("TMPDIR=" + temporaryFolder);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const std::string uidMap =
        std::to_string(::geteuid()) + " " + std::to_string(::geteuid()) + " 1";
    const std::string gidMap =
        std::to_string(::getegid()) + " " + std::to_string(::getegid()) + " 1";
    const pid_t parent = ::getpid();

    int report[2] = {-1, -1};
    if (::pipe2(report, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("Couldn't start the office: ") + std::strerror(errno));
    }
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int output = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (input < 0 || output < 0) {
        const int error = errno;
        if (input >= 0) {
            ::close(input);
        }
        if (output >= 0) {
            ::close(output);
        }
        ::close(report[0]);
        ::close(report[1]);
        throw std::runtime_error(std::string("Couldn't prepare the office's output: ") +
                                 std::strerror(error));
    }

    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        ::umask(077);
        const bool isolated = confinement.isolateNetwork && isolateNetwork(uidMap, gidMap);
        if (confinement.addressSpaceBytes > 0) {
            const rlimit limit{confinement.addressSpaceBytes, confinement.addressSpaceBytes};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        // A killed program must not leave its office running; if it died before this line,
        // the child now has another parent and ends at once.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        const char state = isolated ? isolatedReport : openReport;
        [[maybe_unused]] const ssize_t reported = ::write(report[1], &state, 1);
        ::dup2(input, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        ::syscall(SYS_close_range, 3U, ~0U, 0U);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        // This process may ignore SIGPIPE (see UnoRuntime); the office starts with the default.
        struct sigaction standard {};
        standard.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &standard, nullptr);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(input);
    ::close(output);
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        throw std::runtime_error(std::string("Couldn't start the office: ") +
                                 std::strerror(forkError));
    }
    char state = openReport;
    while (::read(report[0], &state, 1) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    networkIsolated_ = state == isolatedReport;
    // Also here, so that the group exists before anyone signals it.
    ::setpgid(child, child);
    pid_ = child;
    group_ = child;
}

OfficeProcess::~OfficeProcess() {
    if (!status_) {
        kill();
        reapIfEnded(true);
    }
}

std::optional<int> OfficeProcess::exitStatus() {
    if (!status_) {
        reapIfEnded(false);
    }
    return status_;
}

void OfficeProcess::kill() {
    std::lock_guard lock(groupMutex_);
    if (group_ > 0) {
        ::kill(-group_, SIGKILL);
    }
}

int OfficeProcess::waitOrKill(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exitStatus() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!status_) {
        kill();
        reapIfEnded(true);
    }
    return *status_;
}

void OfficeProcess::reapIfEnded(bool wait) {
    // Looks first without reaping: while the ended leader is not reaped its process group
    // cannot be reused, so whatever the office left running in it can still be ended safely.
    siginfo_t info{};
    const int flags = WEXITED | WNOWAIT | (wait ? 0 : WNOHANG);
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, flags) != 0) {
        if (errno != EINTR) {
            return;
        }
    }
    if (info.si_pid == 0) {
        return; // still running
    }
    {
        std::lock_guard lock(groupMutex_);
        ::kill(-group_, SIGKILL);
        group_ = -1;
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = decodeStatus(status);
}

std::uint64_t OfficeProcess::residentBytes() const {
    return status_ ? 0 : residentBytesOf(pid_);
}

std::uint64_t OfficeProcess::residentBytesOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    if (!(in >> size >> resident)) {
        return 0;
    }
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

} // namespace zarta
