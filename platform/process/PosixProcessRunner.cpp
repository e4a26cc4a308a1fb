#include "platform/process/PosixProcessRunner.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace zarta {

namespace {

std::string systemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
};

Pipe makePipe() {
    std::array<int, 2> fds{};
    if (::pipe2(fds.data(), O_CLOEXEC) != 0) {
        throw ProcessRunner::StartError(systemError("couldn't create a pipe", errno));
    }
    Pipe result{FileDescriptor(fds[0]), FileDescriptor(fds[1])};
    // The parent never blocks on a read: it polls first and drains what is there.
    ::fcntl(result.read.get(), F_SETFL, ::fcntl(result.read.get(), F_GETFL) | O_NONBLOCK);
    return result;
}

// One output stream of the child, read until end of file, of which the last tailLimit bytes
// are kept.
struct OutputStream {
    FileDescriptor fd;
    std::string tail;

    // Reads what is available now; closes the descriptor at end of file.
    void drain() {
        std::array<char, 16384> buffer{};
        while (fd.valid()) {
            const ssize_t count = ::read(fd.get(), buffer.data(), buffer.size());
            if (count > 0) {
                tail.append(buffer.data(), static_cast<std::size_t>(count));
                if (tail.size() > 2 * PosixProcessRunner::tailLimit) {
                    tail.erase(0, tail.size() - PosixProcessRunner::tailLimit);
                }
            } else if (count == 0) {
                fd.reset();
            } else if (errno == EINTR) {
                continue;
            } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return;
            } else {
                fd.reset();
            }
        }
    }

    std::string takeTail() {
        if (tail.size() > PosixProcessRunner::tailLimit) {
            tail.erase(0, tail.size() - PosixProcessRunner::tailLimit);
        }
        return std::move(tail);
    }
};

// Everything the child needs between fork and exec, prepared before the fork: after it, in a
// process with other threads, the child may only make async-signal-safe calls.
struct ChildPlan {
    std::vector<char*> argv;
    std::vector<char*> envp;
    int input = -1;
    int output = -1;
    int error = -1;
    int execFailure = -1; // close-on-exec; receives errno when exec fails
    pid_t parent = 0;
};

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

[[noreturn]] void execChild(const ChildPlan& plan) {
    // Its own group, so that ending the group ends whatever it starts as well.
    ::setpgid(0, 0);
    // Killed when this program dies, even by SIGKILL; if it already has, end at once.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != plan.parent) {
        ::_exit(127);
    }
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

    if (::dup2(plan.input, STDIN_FILENO) < 0 || ::dup2(plan.output, STDOUT_FILENO) < 0 ||
        ::dup2(plan.error, STDERR_FILENO) < 0) {
        const int error = errno;
        [[maybe_unused]] const auto ignored = ::write(plan.execFailure, &error, sizeof error);
        ::_exit(127);
    }
    // Descriptors other code of this process opened without close-on-exec (an office
    // library, say) must not leak into the child.
    const auto keep = static_cast<unsigned>(plan.execFailure);
    closeDescriptorsFrom(STDERR_FILENO + 1, keep - 1);
    closeDescriptorsFrom(keep + 1, ~0U);

    ::execve(plan.argv.front(), plan.argv.data(), plan.envp.data());
    const int error = errno;
    [[maybe_unused]] const auto ignored = ::write(plan.execFailure, &error, sizeof error);
    ::_exit(127);
}

// The child's standard input: the given text in an anonymous memory file, or /dev/null.
FileDescriptor standardInput(const std::optional<std::string>& text) {
    if (!text) {
        FileDescriptor null(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        if (!null.valid()) {
            throw ProcessRunner::StartError(systemError("couldn't open /dev/null", errno));
        }
        return null;
    }
    FileDescriptor memory(::memfd_create("input", MFD_CLOEXEC));
    if (!memory.valid()) {
        throw ProcessRunner::StartError(systemError("couldn't prepare the child's input", errno));
    }
    std::size_t done = 0;
    while (done < text->size()) {
        const ssize_t written = ::write(memory.get(), text->data() + done, text->size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            throw ProcessRunner::StartError(
                systemError("couldn't prepare the child's input", errno));
        }
        done += static_cast<std::size_t>(written);
    }
    ::lseek(memory.get(), 0, SEEK_SET);
    return memory;
}

// Starts the child; throws StartError when it could not be run.
pid_t startChild(ChildPlan& plan) {
    std::array<int, 2> failure{};
    if (::pipe2(failure.data(), O_CLOEXEC) != 0) {
        throw ProcessRunner::StartError(systemError("couldn't create a pipe", errno));
    }
    FileDescriptor failureRead(failure[0]);
    FileDescriptor failureWrite(failure[1]);
    plan.execFailure = failureWrite.get();
    plan.parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) {
        throw ProcessRunner::StartError(systemError("couldn't start a process", errno));
    }
    if (pid == 0) {
        execChild(plan);
    }
    failureWrite.reset();
    int error = 0;
    ssize_t count = 0;
    do {
        count = ::read(failureRead.get(), &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    if (count == static_cast<ssize_t>(sizeof error)) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        throw ProcessRunner::StartError(
            systemError("couldn't run \"" + std::string(plan.argv.front()) + "\"", error));
    }
    return pid;
}

// A started child that is always reaped: when run() leaves early (an exception), the
// destructor kills its process group and waits for it.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (!reaped_) {
            signalGroup(SIGKILL);
            reap();
        }
    }

    // The whole group, so that whatever the child started ends with it. Safe from any thread.
    void signalGroup(int signal) const {
        if (!gone_) {
            ::kill(-pid_, signal);
        }
    }

    // True once the child has ended; it stays a zombie (so its process id and group cannot be
    // reused) until reap().
    bool hasEnded() {
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
            if (errno != EINTR) {
                // Reaped behind our back: its id may already belong to someone else.
                gone_ = true;
                return true;
            }
        }
        return info.si_pid != 0;
    }

    // The wait status, or nothing when the child could not be waited for (another part of
    // the process reaps children itself): then its outcome is unknown.
    std::optional<int> reap() {
        reaped_ = true;
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0) {
            if (errno != EINTR) {
                return std::nullopt;
            }
        }
        return status;
    }

private:
    pid_t pid_;
    bool reaped_ = false;
    std::atomic<bool> gone_ = false;
};

// A descriptor that becomes readable when the process ends, where the kernel offers one.
FileDescriptor processDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    return FileDescriptor(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#else
    (void)pid;
    return FileDescriptor();
#endif
}

std::vector<char*> argumentPointers(const std::vector<std::string>& arguments) {
    std::vector<char*> pointers;
    pointers.reserve(arguments.size() + 1);
    for (const auto& argument : arguments) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

// The caller's environment without the variables of the removed prefixes, with the given
// "NAME=value" entries added, replacing any entry of the same name.
std::vector<std::string> mergedEnvironment(const ProcessRunner::Settings& settings) {
    auto name = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    const auto& extra = settings.environment;
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const bool replaced = std::any_of(extra.begin(), extra.end(), [&](const std::string& e) {
            return name(e) == name(text);
        });
        const bool removed =
            std::any_of(settings.removedPrefixes.begin(), settings.removedPrefixes.end(),
                        [&](const std::string& prefix) { return name(text).starts_with(prefix); });
        if (!replaced && !removed) {
            merged.push_back(text);
        }
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

} // namespace

PosixProcessRunner::PosixProcessRunner(std::chrono::milliseconds killGrace)
    : killGrace_(killGrace) {}

ProcessRunner::Result PosixProcessRunner::run(const std::vector<std::string>& arguments,
                                              const Settings& settings, BatchControl& control) {
    if (arguments.empty() || arguments.front().empty()) {
        throw StartError("no program to run");
    }
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }

    Pipe outPipe = makePipe();
    Pipe errPipe = makePipe();
    const FileDescriptor input = standardInput(settings.standardInput);
    const auto childEnvironment = mergedEnvironment(settings);
    ChildPlan plan{argumentPointers(arguments),
                   argumentPointers(childEnvironment),
                   input.get(),
                   outPipe.write.get(),
                   errPipe.write.get(),
                   -1,
                   0};
    const pid_t pid = startChild(plan);
    // Also set here, so that the group exists before the parent may signal it.
    ::setpgid(pid, pid);
    const auto started = std::chrono::steady_clock::now();
    Child child(pid);
    outPipe.write.reset();
    errPipe.write.reset();
    OutputStream out{std::move(outPipe.read), {}};
    OutputStream err{std::move(errPipe.read), {}};
    const FileDescriptor ended = processDescriptor(pid);

    // The action only sends a signal: quick, and safe from the user-interface thread. The child
    // is not reaped while it is registered, so the group id it signals is still this child's.
    auto registration = control.onAbandon([&child] { child.signalGroup(SIGTERM); });

    std::optional<std::chrono::steady_clock::time_point> killAt;
    bool killed = false;
    bool timedOut = false;
    while (true) {
        std::array<pollfd, 3> fds{};
        nfds_t count = 0;
        for (const auto* stream : {&out, &err}) {
            if (stream->fd.valid()) {
                fds[count++] = {stream->fd.get(), POLLIN, 0};
            }
        }
        if (ended.valid()) {
            fds[count++] = {ended.get(), POLLIN, 0};
        }
        // Without a process descriptor the end of the child is noticed by polling.
        const int timeout = ended.valid() ? 100 : 10;
        if (::poll(fds.data(), count, timeout) < 0 && errno != EINTR) {
            throw std::runtime_error(systemError("couldn't wait for the child process", errno));
        }
        out.drain();
        err.drain();

        if (child.hasEnded()) {
            // Whatever is still in the pipes was written before the end; a grandchild that
            // keeps them open is not waited for.
            out.drain();
            err.drain();
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!timedOut && settings.timeLimit && now - started >= *settings.timeLimit) {
            timedOut = true;
        }
        if (control.isAbandoned() || timedOut) {
            if (!killAt) {
                child.signalGroup(SIGTERM);
                killAt = now + killGrace_;
            } else if (!killed && now >= *killAt) {
                child.signalGroup(SIGKILL);
                killed = true;
            }
        }
    }

    registration = BatchControl::Registration();
    if (control.isAbandoned() || timedOut) {
        // Ends what the child may have left running in its group before it is reaped.
        child.signalGroup(SIGKILL);
    }
    const auto status = child.reap();
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }

    Result result;
    result.timedOut = timedOut;
    if (!status) {
        result.exitStatus = -1; // unknown, so never taken for success
    } else if (WIFSIGNALED(*status)) {
        result.exitStatus = -1;
        result.signal = WTERMSIG(*status);
    } else {
        result.exitStatus = WEXITSTATUS(*status);
    }
    result.output = out.takeTail();
    result.errorOutput = err.takeTail();
    return result;
}

} // namespace zarta
