#include "platform/process/PosixProcessSession.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <future>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zarta {

namespace {

constexpr std::size_t errorTailLimit = 64 * 1024;

std::string systemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// A pipe whose read end never blocks: the session polls first and drains what is there.
std::array<FileDescriptor, 2> outputPipe() {
    std::array<int, 2> fds{};
    if (::pipe2(fds.data(), O_CLOEXEC) != 0) {
        throw ProcessRunner::StartError(systemError("couldn't create a pipe", errno));
    }
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    return {FileDescriptor(fds[0]), FileDescriptor(fds[1])};
}

// Appends what the descriptor holds now; closes it at end of file or on an error.
void readAvailable(FileDescriptor& fd, std::string& into) {
    std::array<char, 16384> buffer{};
    while (fd.valid()) {
        const ssize_t count = ::read(fd.get(), buffer.data(), buffer.size());
        if (count > 0) {
            into.append(buffer.data(), static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        } else {
            fd.reset();
        }
    }
}

} // namespace

PosixProcessSession::PosixProcessSession(const std::vector<std::string>& arguments,
                                         const ProcessRunner::Settings& settings,
                                         std::chrono::milliseconds killGrace)
    : killGrace_(killGrace) {
    std::array<int, 2> socket{};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, socket.data()) != 0) {
        throw ProcessRunner::StartError(systemError("couldn't create a socket pair", errno));
    }
    input_.reset(socket[0]);
    const FileDescriptor childInput(socket[1]);
    auto out = outputPipe();
    auto err = outputPipe();
    output_ = std::move(out[0]);
    error_ = std::move(err[0]);

    ChildProcess::Setup setup;
    setup.arguments = arguments;
    setup.environment = ChildProcess::environment(settings.environment, settings.removedPrefixes);
    setup.input = childInput.get();
    setup.output = out[1].get();
    setup.error = err[1].get();
    setup.workingFolder = settings.workingFolder;

    std::promise<void> started;
    auto startedFuture = started.get_future();
    // The promise moves into the thread, so that it is not destroyed here while the thread is
    // still inside set_value(). The setup is used only before that.
    owner_ = std::thread([this, &setup, started = std::move(started)]() mutable {
        try {
            child_.emplace(setup);
        } catch (const ChildProcess::StartError& error) {
            ended_ = true;
            started.set_exception(std::make_exception_ptr(ProcessRunner::StartError(error.what())));
            return;
        }
        started.set_value();
        status_ = child_->reap();
        ended_ = true;
    });
    try {
        startedFuture.get();
    } catch (...) {
        owner_.join();
        throw;
    }
}

PosixProcessSession::~PosixProcessSession() {
    if (child_) {
        child_->signalGroup(SIGKILL);
    }
    if (owner_.joinable()) {
        owner_.join();
    }
}

bool PosixProcessSession::send(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size() && !ended_) {
        const ssize_t written =
            ::send(input_.get(), text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return done == text.size();
}

void PosixProcessSession::drain() {
    readAvailable(output_, pendingOutput_);
    readAvailable(error_, pendingError_);
    if (pendingError_.size() > 2 * errorTailLimit) {
        pendingError_.erase(0, pendingError_.size() - errorTailLimit);
    }
}

void PosixProcessSession::collectEnd(Reply& reply) {
    // Both pipes are at their end: the child is gone or about to be. Whatever it left running
    // in its group goes with it.
    child_->signalGroup(SIGKILL);
    if (owner_.joinable()) {
        owner_.join();
    }
    ended_ = true;
    reply.ended = true;
    if (status_ && WIFEXITED(*status_)) {
        reply.exitStatus = WEXITSTATUS(*status_);
    } else if (status_ && WIFSIGNALED(*status_)) {
        reply.signal = WTERMSIG(*status_);
    }
}

ProcessSession::Reply PosixProcessSession::waitFor(const std::string& marker,
                                                   std::chrono::milliseconds timeLimit,
                                                   BatchControl& control) {
    Reply reply;
    // The action only sends a signal: quick, and safe from the user-interface thread. The
    // child stays in child_ until the session is destroyed, so the group is still this child's.
    auto registration = control.onAbandon([this] { child_->signalGroup(SIGTERM); });
    const auto startTime = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> killAt;
    bool killed = false;
    while (true) {
        // Read before draining: everything the child wrote before it ended is drained below.
        const bool childEnded = ended_;
        drain();
        if (const auto at = pendingOutput_.find(marker); at != std::string::npos) {
            const auto lineEnd = pendingOutput_.find('\n', at + marker.size());
            if (lineEnd != std::string::npos) {
                reply.output = pendingOutput_.substr(0, at);
                reply.markLine =
                    pendingOutput_.substr(at + marker.size(), lineEnd - at - marker.size());
                pendingOutput_.erase(0, lineEnd + 1);
                reply.errorOutput = std::move(pendingError_);
                pendingError_.clear();
                reply.marked = true;
                return reply;
            }
        }
        if (pendingOutput_.size() > 2 * errorTailLimit) {
            pendingOutput_.erase(0, pendingOutput_.size() - errorTailLimit);
        }
        // A pipe a grandchild keeps open does not keep the wait going once the child is gone.
        if (childEnded || (!output_.valid() && !error_.valid())) {
            collectEnd(reply);
            break;
        }

        const auto now = std::chrono::steady_clock::now();
        if (!reply.timedOut && now - startTime >= timeLimit) {
            reply.timedOut = true;
        }
        if (control.isAbandoned() || reply.timedOut) {
            if (!killAt) {
                child_->signalGroup(SIGTERM);
                killAt = now + killGrace_;
            } else if (!killed && now >= *killAt) {
                child_->signalGroup(SIGKILL);
                killed = true;
            }
        }

        std::array<pollfd, 2> fds{};
        nfds_t count = 0;
        for (const auto* fd : {&output_, &error_}) {
            if (fd->valid()) {
                fds[count++] = {fd->get(), POLLIN, 0};
            }
        }
        if (::poll(fds.data(), count, 100) < 0 && errno != EINTR) {
            throw std::runtime_error(systemError("couldn't wait for the child process", errno));
        }
    }
    registration = BatchControl::Registration();
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }
    reply.output = std::move(pendingOutput_);
    pendingOutput_.clear();
    if (reply.output.size() > errorTailLimit) {
        reply.output.erase(0, reply.output.size() - errorTailLimit);
    }
    reply.errorOutput = std::move(pendingError_);
    pendingError_.clear();
    return reply;
}

} // namespace zarta
