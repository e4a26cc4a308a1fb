#include "platform/office/SocketConnection.h"

#include "platform/office/UnoRuntime.h"

#include <com/sun/star/io/IOException.hpp>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace zarta {

namespace {

[[noreturn]] void fail(const std::string& what, int error) {
    throw css::io::IOException(UnoRuntime::toUno(what + ": " + std::strerror(error)));
}

} // namespace

SocketConnection::SocketConnection(int descriptor, std::string description)
    : descriptor_(descriptor), description_(std::move(description)) {}

SocketConnection::~SocketConnection() {
    ::close(descriptor_);
}

sal_Int32 SAL_CALL SocketConnection::read(css::uno::Sequence<sal_Int8>& bytes, sal_Int32 count) {
    if (closed_) {
        fail("reading from the word processor", EPIPE);
    }
    if (count < 0) {
        count = 0;
    }
    bytes.realloc(count);
    sal_Int32 done = 0;
    while (done < count) {
        const ssize_t got =
            ::recv(descriptor_, bytes.getArray() + done, static_cast<std::size_t>(count - done), 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            fail("reading from the word processor", errno);
        }
        if (got == 0) {
            break; // the office closed the connection
        }
        done += static_cast<sal_Int32>(got);
    }
    if (done < count) {
        bytes.realloc(done);
    }
    return done;
}

void SAL_CALL SocketConnection::write(const css::uno::Sequence<sal_Int8>& bytes) {
    if (closed_) {
        fail("writing to the word processor", EPIPE);
    }
    std::size_t done = 0;
    const auto total = static_cast<std::size_t>(bytes.getLength());
    while (done < total) {
        // MSG_NOSIGNAL: an office that has just died yields EPIPE, not a signal.
        const ssize_t sent =
            ::send(descriptor_, bytes.getConstArray() + done, total - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0) {
            fail("writing to the word processor", errno);
        }
        done += static_cast<std::size_t>(sent);
    }
}

void SAL_CALL SocketConnection::close() {
    if (!closed_.exchange(true)) {
        ::shutdown(descriptor_, SHUT_RDWR);
    }
}

rtl::OUString SAL_CALL SocketConnection::getDescription() {
    return UnoRuntime::toUno(description_);
}

} // namespace zarta
