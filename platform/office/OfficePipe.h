#pragma once

#include <string>
#include <sys/types.h>

namespace zarta {

// The private pipe an office listens on: a Unix socket the office creates in a shared temporary
// folder as "OSL_PIPE_<uid>_<name>", where every local user can create files. Since the name can
// be read from the office's command line, another user may bind it first; connect() therefore
// hands out a connection only when the socket is a socket of ours (not a link, our uid) and the
// process listening on it is the office we started (its SO_PEERCRED pid).
//
// A value type apart from the descriptors connect() hands out, which the caller owns. Stateless
// otherwise; thread-safe.
class OfficePipe {
public:
    // A pipe with a fresh unguessable name in the folder the office's runtime uses.
    OfficePipe();
    // A pipe with the given name in the given folder (tests).
    OfficePipe(std::string folder, std::string name);

    const std::string& name() const { return name_; }
    // The socket's path.
    std::string path() const;

    struct Attempt {
        enum class Outcome {
            NotListening, // nothing (yet) accepts connections under the name
            Connected,    // descriptor is a connection to the expected process
            Refused,      // something else holds the name; reason says what
        };
        Outcome outcome = Outcome::NotListening;
        int descriptor = -1; // owned by the caller when Connected
        std::string reason;
    };

    // Connects to the socket if it is ours and listened on by the process office; never sends
    // anything over a connection it refuses.
    Attempt connect(pid_t office) const;

    // Removes the sockets this program's offices left behind in folder (those of offices that
    // were killed): sockets of ours with a name made by this class, bound more than ten seconds
    // ago, on which nothing listens. Returns how many it removed.
    static int removeLeftovers(const std::string& folder);
    // The folder the office's runtime puts its pipes in.
    static std::string runtimeFolder();

private:
    std::string folder_;
    std::string name_;
};

} // namespace zarta
