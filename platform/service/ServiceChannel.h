#pragma once

#include "platform/service/ServiceMessage.h"

#include <chrono>
#include <mutex>
#include <optional>

namespace zarta {

// One end of a connection between a client and the conversion service (a Unix stream socket):
// sends and receives whole messages.
//
// Thread: one thread sends and one receives at a time (send() is serialised inside, so a second
// thread may send keep-alive messages); hangUp() may be called from any thread, also while
// another one waits in receive(), which then returns nothing. The descriptor is owned and
// closed by the destructor.
class ServiceChannel {
public:
    using Timeout = std::chrono::milliseconds;
    // Wait without a limit.
    static constexpr Timeout forever{-1};

    explicit ServiceChannel(int descriptor);
    ~ServiceChannel();
    ServiceChannel(const ServiceChannel&) = delete;
    ServiceChannel& operator=(const ServiceChannel&) = delete;

    int descriptor() const { return fd_; }

    // Throws ServiceError when the peer is gone or the socket fails.
    void send(const ServiceMessage& message);

    // The next message, or nothing when the peer closed the connection (or hangUp() was
    // called) between messages. Waits at most `silence` for each part of the message (forever
    // when negative). Throws ServiceSilence on a time-out, ServiceError on a connection closed
    // inside a message or a failing socket, ProtocolError on a message the protocol does not
    // allow.
    std::optional<ServiceMessage> receive(Timeout silence);

    // Ends the connection both ways, waking a receive() under way; the descriptor stays open
    // until the destructor.
    void hangUp();

    // The user id of the process at the other end (SO_PEERCRED); throws ServiceError when the
    // system does not say.
    unsigned peerUser() const;
    // The process id of the other end, as the system saw it when the connection was made.
    int peerProcess() const;

private:
    bool readFully(char* into, std::size_t size, Timeout silence, bool atStart);

    int fd_;
    std::mutex sending_;
};

} // namespace zarta
