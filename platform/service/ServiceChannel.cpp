#include "platform/service/ServiceChannel.h"

#include "platform/service/ProtocolError.h"
#include "platform/service/ServiceSilence.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zarta {

ServiceChannel::ServiceChannel(int descriptor) : fd_(descriptor) {}

ServiceChannel::~ServiceChannel() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void ServiceChannel::send(const ServiceMessage& message) {
    const std::string frame = message.encode();
    std::lock_guard lock(sending_);
    std::size_t sent = 0;
    while (sent < frame.size()) {
        // MSG_NOSIGNAL: a peer that is gone is an error here, not a SIGPIPE for the process.
        const ssize_t n = ::send(fd_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw ServiceError(std::string("the conversion service's connection broke: ") +
                               std::strerror(errno));
        }
        sent += static_cast<std::size_t>(n);
    }
}

bool ServiceChannel::readFully(char* into, std::size_t size, Timeout silence, bool atStart) {
    std::size_t got = 0;
    while (got < size) {
        pollfd watch{fd_, POLLIN, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(silence.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            throw ServiceError(std::string("the conversion service's connection failed: ") +
                               std::strerror(errno));
        }
        if (ready == 0) {
            throw ServiceSilence("the conversion service did not answer in time");
        }
        const ssize_t n = ::recv(fd_, into + got, size - got, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0 && got == 0 && atStart) {
            return false;
        }
        if (n <= 0) {
            if (n < 0 && errno != ECONNRESET) {
                throw ServiceError(std::string("the conversion service's connection failed: ") +
                                   std::strerror(errno));
            }
            if (atStart && got == 0) {
                return false;
            }
            throw ServiceError("the conversion service's connection ended inside a message");
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<ServiceMessage> ServiceChannel::receive(Timeout silence) {
    char header[ServiceMessage::headerSize];
    if (!readFully(header, sizeof header, silence, true)) {
        return std::nullopt;
    }
    const std::size_t length = ServiceMessage::bodyLength(std::string_view(header, sizeof header));
    std::string body(length, '\0');
    if (!readFully(body.data(), length, silence, false)) {
        return std::nullopt;
    }
    return ServiceMessage::decode(body);
}

void ServiceChannel::hangUp() {
    ::shutdown(fd_, SHUT_RDWR);
}

namespace {

ucred peer(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
        throw ServiceError(std::string("can't tell who is connected: ") + std::strerror(errno));
    }
    return credentials;
}

} // namespace

unsigned ServiceChannel::peerUser() const {
    return peer(fd_).uid;
}

int ServiceChannel::peerProcess() const {
    return peer(fd_).pid;
}

} // namespace zarta
