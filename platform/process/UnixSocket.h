#pragma once

#include <string>

namespace zarta {

// Connecting to a local (Unix-domain) stream socket by its path, as the program talks to the
// processes it runs or shares: an office's pipe, the user's conversion service.
namespace UnixSocket {

// A blocking stream socket (close-on-exec) connected to path, or -1 with errno set
// (ENAMETOOLONG for a path longer than a socket address holds). The connection itself does not
// wait: a listener whose queue is full (a stopped process) yields EAGAIN.
int connect(const std::string& path);

} // namespace UnixSocket
} // namespace zarta
