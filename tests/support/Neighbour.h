#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Another local user of the machine, for tests of what a second account can do to the program's
// files and names: a child process that switches to the other user's ids and listens on Unix
// sockets at the paths it is given, for as long as the object lives, as someone waiting for
// what the program might send. Only root can switch ids, so available() is false otherwise and
// such tests skip, saying so.
//
// Owned by one thread. The destructor ends the child and removes the sockets it bound.
class Neighbour {
public:
    // The other user: "nobody" (65534), when the tests run as root.
    static std::optional<uid_t> available();

    // Binds and listens at each path as the other user. Call only when available().
    explicit Neighbour(const std::vector<std::string>& paths);
    Neighbour(const Neighbour&) = delete;
    Neighbour& operator=(const Neighbour&) = delete;
    ~Neighbour();

    // For each path, 0 when the socket was bound there, else the errno of the failed attempt.
    const std::vector<int>& outcomes() const { return outcomes_; }
    // How many connections the sockets have accepted so far.
    int connections();

private:
    std::vector<std::string> paths_;
    std::vector<int> outcomes_;
    pid_t child_ = -1;
    int control_ = -1; // closing it ends the child
    int report_ = -1;  // the child's reports: outcomes, then one byte per connection
    int connections_ = 0;
};
