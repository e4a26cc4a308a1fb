#include "OfficeProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zarta {

namespace {

int decodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

} // namespace

OfficeProcess::OfficeProcess(const std::vector<std::string>& arguments, const std::string& logFile,
                             const std::string& temporaryFolder) {
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
        throw std::runtime_error(std::string("Couldn't prepare the office's output: ") +
                                 std::strerror(error));
    }

    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        ::umask(077);
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
    if (child < 0) {
        throw std::runtime_error(std::string("Couldn't start the office: ") +
                                 std::strerror(forkError));
    }
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
    if (status_) {
        return 0;
    }
    std::ifstream in("/proc/" + std::to_string(pid_) + "/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    if (!(in >> size >> resident)) {
        return 0;
    }
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

} // namespace zarta
