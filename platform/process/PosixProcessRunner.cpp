#include "platform/process/PosixProcessRunner.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/FileDescriptor.h"
#include "platform/process/ChildProcess.h"
#include "platform/process/PosixProcessSession.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace zarta {

namespace {

std::string systemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

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

// A descriptor that becomes readable when the process ends, where the kernel offers one.
FileDescriptor processDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    return FileDescriptor(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#else
    (void)pid;
    return FileDescriptor();
#endif
}

} // namespace

PosixProcessRunner::PosixProcessRunner(std::chrono::milliseconds killGrace)
    : killGrace_(killGrace) {}

ProcessRunner::Result PosixProcessRunner::run(const std::vector<std::string>& arguments,
                                              const Settings& settings, BatchControl& control) {
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }

    Pipe outPipe = makePipe();
    Pipe errPipe = makePipe();
    const FileDescriptor input = standardInput(settings.standardInput);
    ChildProcess::Setup setup;
    setup.arguments = arguments;
    setup.environment = ChildProcess::environment(settings.environment, settings.removedPrefixes);
    setup.input = input.get();
    setup.output = outPipe.write.get();
    setup.error = errPipe.write.get();
    setup.workingFolder = settings.workingFolder;
    // Started here, on the thread that waits for it, as its death signal requires.
    std::optional<ChildProcess> started;
    try {
        started.emplace(setup);
    } catch (const ChildProcess::StartError& error) {
        throw StartError(error.what());
    }
    ChildProcess& child = *started;
    const auto startTime = std::chrono::steady_clock::now();
    outPipe.write.reset();
    errPipe.write.reset();
    OutputStream out{std::move(outPipe.read), {}};
    OutputStream err{std::move(errPipe.read), {}};
    const FileDescriptor ended = processDescriptor(child.pid());

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
        if (!timedOut && settings.timeLimit && now - startTime >= *settings.timeLimit) {
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

std::unique_ptr<ProcessSession>
PosixProcessRunner::startSession(const std::vector<std::string>& arguments,
                                 const ProcessRunner::Settings& settings) {
    return std::make_unique<PosixProcessSession>(arguments, settings, killGrace_);
}

} // namespace zarta
