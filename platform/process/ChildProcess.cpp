#include "platform/process/ChildProcess.h"

#include "engine/FileDescriptor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zarta {

namespace {

// The first byte the child reports: whether it runs without network. An errno follows when
// its program could not be run.
constexpr char isolatedReport = 'i';
constexpr char openReport = 'o';

std::string systemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

std::vector<char*> pointers(const std::vector<std::string>& texts) {
    std::vector<char*> result;
    result.reserve(texts.size() + 1);
    for (const std::string& text : texts) {
        result.push_back(const_cast<char*>(text.c_str()));
    }
    result.push_back(nullptr);
    return result;
}

// Everything the child needs between fork and exec, prepared before the fork: after it, in a
// process with other threads, the child may only make async-signal-safe calls.
struct Plan {
    std::vector<char*> argv;
    std::vector<char*> envp;
    const ChildProcess::Setup& setup;
    std::string uidMap;
    std::string gidMap;
    int report = -1; // close-on-exec
    pid_t parent = 0;
};

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

// A network namespace needs CAP_SYS_ADMIN; without it, a user namespace of its own grants it,
// mapping only the user's ids so that files and sockets keep their owner. Returns whether the
// process is now isolated.
bool isolateNetwork(const Plan& plan) {
    if (::unshare(CLONE_NEWNET) == 0) {
        return true;
    }
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        return false;
    }
    if (!writeAll("/proc/self/setgroups", "deny") || !writeAll("/proc/self/uid_map", plan.uidMap) ||
        !writeAll("/proc/self/gid_map", plan.gidMap)) {
        // Unmapped, the child would not even own its own files: better not run at all.
        ::_exit(127);
    }
    return true;
}

void closeDescriptorsFrom(unsigned first, unsigned last) {
    if (first > last) {
        return;
    }
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, first, last, 0) == 0) {
        return;
    }
#endif
    const long limit = ::sysconf(_SC_OPEN_MAX);
    const unsigned end = limit > 0 && limit < 65536 ? static_cast<unsigned>(limit) : 65536;
    for (unsigned fd = first; fd <= last && fd < end; ++fd) {
        ::close(static_cast<int>(fd));
    }
}

[[noreturn]] void failChild(int report) {
    const int error = errno;
    [[maybe_unused]] const auto ignored = ::write(report, &error, sizeof error);
    ::_exit(127);
}

[[noreturn]] void execChild(const Plan& plan) {
    const ChildProcess::Setup& setup = plan.setup;
    ::setpgid(0, 0);
    if (setup.umask) {
        ::umask(*setup.umask);
    }
    const bool isolated = setup.isolateNetwork && isolateNetwork(plan);
    if (setup.addressSpaceBytes > 0) {
        const rlimit limit{setup.addressSpaceBytes, setup.addressSpaceBytes};
        ::setrlimit(RLIMIT_AS, &limit);
    }
    // After the namespace: a change of credentials would clear the death signal again.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != plan.parent) {
        ::_exit(127);
    }
    const char state = isolated ? isolatedReport : openReport;
    [[maybe_unused]] const auto reported = ::write(plan.report, &state, 1);

    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) {
            ::sigaction(signal, &defaults, nullptr);
        }
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    // Before the descriptors are rearranged: the folder's may be one of the three.
    if (setup.workingFolder >= 0 && ::fchdir(setup.workingFolder) != 0) {
        failChild(plan.report);
    }
    if (::dup2(setup.input, STDIN_FILENO) < 0 || ::dup2(setup.output, STDOUT_FILENO) < 0 ||
        ::dup2(setup.error, STDERR_FILENO) < 0) {
        failChild(plan.report);
    }
    const auto keep = static_cast<unsigned>(plan.report);
    closeDescriptorsFrom(STDERR_FILENO + 1, keep - 1);
    closeDescriptorsFrom(keep + 1, ~0U);

    ::execve(plan.argv.front(), plan.argv.data(), plan.envp.data());
    failChild(plan.report);
}

} // namespace

ChildProcess::ChildProcess(const Setup& setup) {
    if (setup.arguments.empty() || setup.arguments.front().empty()) {
        throw StartError("no program to run");
    }
    const std::string uid = std::to_string(::geteuid());
    const std::string gid = std::to_string(::getegid());
    Plan plan{pointers(setup.arguments),
              pointers(setup.environment),
              setup,
              uid + " " + uid + " 1",
              gid + " " + gid + " 1",
              -1,
              ::getpid()};

    std::array<int, 2> report{};
    if (::pipe2(report.data(), O_CLOEXEC) != 0) {
        throw StartError(systemError("couldn't create a pipe", errno));
    }
    const FileDescriptor reportRead(report[0]);
    std::optional<FileDescriptor> reportWrite(std::in_place, report[1]);
    plan.report = report[1];

    const pid_t pid = ::fork();
    if (pid < 0) {
        throw StartError(systemError("couldn't start a process", errno));
    }
    if (pid == 0) {
        execChild(plan);
    }
    reportWrite.reset();
    // Also set here, so that the group exists before anyone signals it.
    ::setpgid(pid, pid);
    pid_ = pid;
    group_ = pid;

    // The report ends when exec closes the pipe or the child ends.
    std::array<char, 1 + sizeof(int)> bytes{};
    std::size_t received = 0;
    while (received < bytes.size()) {
        const ssize_t count =
            ::read(reportRead.get(), bytes.data() + received, bytes.size() - received);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        received += static_cast<std::size_t>(count);
    }
    networkIsolated_ = received > 0 && bytes[0] == isolatedReport;
    if (received == bytes.size()) {
        int error = 0;
        std::memcpy(&error, bytes.data() + 1, sizeof error);
        reap();
        throw StartError(systemError("couldn't run \"" + setup.arguments.front() + "\"", error));
    }
}

ChildProcess::~ChildProcess() {
    if (!reaped_) {
        signalGroup(SIGKILL);
        reap();
    }
}

std::vector<std::string>
ChildProcess::environment(const std::vector<std::string>& added,
                          const std::vector<std::string>& removedPrefixes) {
    auto name = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> merged;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const bool replaced = std::any_of(added.begin(), added.end(), [&](const std::string& e) {
            return name(e) == name(text);
        });
        const bool removed =
            std::any_of(removedPrefixes.begin(), removedPrefixes.end(),
                        [&](const std::string& prefix) { return name(text).starts_with(prefix); });
        if (!replaced && !removed) {
            merged.push_back(text);
        }
    }
    merged.insert(merged.end(), added.begin(), added.end());
    return merged;
}

void ChildProcess::signalGroup(int signal) {
    std::lock_guard lock(groupMutex_);
    if (group_ > 0) {
        ::kill(-group_, signal);
    }
}

void ChildProcess::forgetGroup() {
    std::lock_guard lock(groupMutex_);
    group_ = -1;
}

bool ChildProcess::hasEnded() {
    if (reaped_) {
        return true;
    }
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno != EINTR) {
            // Reaped behind our back: its id may already belong to someone else.
            forgetGroup();
            return true;
        }
    }
    return info.si_pid != 0;
}

std::optional<int> ChildProcess::reap() {
    if (reaped_) {
        return std::nullopt;
    }
    // Waits without reaping first, so that the group is never signalled once the id is free.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    forgetGroup();
    reaped_ = true;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
    return status;
}

} // namespace zarta
