#include "PosixProcessRunner.h"

#include "BatchAbandoned.h"
#include "BatchControl.h"
#include <algorithm>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
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

class SpawnSettings {
public:
    SpawnSettings(int stdoutFd, int stderrFd) {
        check(::posix_spawn_file_actions_init(&actions_));
        check(::posix_spawnattr_init(&attributes_));
        check(
            ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0));
        check(::posix_spawn_file_actions_adddup2(&actions_, stdoutFd, STDOUT_FILENO));
        check(::posix_spawn_file_actions_adddup2(&actions_, stderrFd, STDERR_FILENO));
        // Descriptors other code of this process opened without close-on-exec (an office
        // library, say) must not leak into the child.
        check(::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1));

        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        check(::posix_spawnattr_setsigmask(&attributes_, &none));
        check(::posix_spawnattr_setsigdefault(&attributes_, &all));
        check(::posix_spawnattr_setpgroup(&attributes_, 0));
        check(::posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
    ~SpawnSettings() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

private:
    static void check(int error) {
        if (error != 0) {
            throw ProcessRunner::StartError(
                systemError("couldn't prepare the child process", error));
        }
    }

    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
};

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

// The caller's environment with the given "NAME=value" entries added, replacing any entry of
// the same name.
std::vector<std::string> mergedEnvironment(const ProcessRunner::Environment& extra) {
    auto name = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const bool replaced = std::any_of(extra.begin(), extra.end(), [&](const std::string& e) {
            return name(e) == name(text);
        });
        if (!replaced) {
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
                                              const Environment& environment,
                                              BatchControl& control) {
    if (arguments.empty() || arguments.front().empty()) {
        throw StartError("no program to run");
    }
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }

    Pipe outPipe = makePipe();
    Pipe errPipe = makePipe();
    pid_t pid = 0;
    {
        const SpawnSettings settings(outPipe.write.get(), errPipe.write.get());
        const auto argv = argumentPointers(arguments);
        const auto childEnvironment = mergedEnvironment(environment);
        const auto envp = argumentPointers(childEnvironment);
        const int error = ::posix_spawn(&pid, argv.front(), settings.actions(),
                                        settings.attributes(), argv.data(), envp.data());
        if (error != 0) {
            throw StartError(systemError("couldn't run \"" + arguments.front() + "\"", error));
        }
    }
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
        if (control.isAbandoned()) {
            const auto now = std::chrono::steady_clock::now();
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
    if (control.isAbandoned()) {
        // Ends what the child may have left running in its group before it is reaped.
        child.signalGroup(SIGKILL);
    }
    const auto status = child.reap();
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }

    Result result;
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
