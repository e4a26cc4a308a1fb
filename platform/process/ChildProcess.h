#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zarta {

// One child process started with fork and exec, in a process group of its own so that it can be
// ended with everything it starts, and always reaped.
//
// Between fork and exec the child, in this order: leads a new process group; takes the given
// umask; enters a network namespace of its own when asked (see Setup::isolateNetwork); gets the
// address-space limit; is killed when the starting thread ends (also when this program is killed,
// even by SIGKILL; a child whose parent is already gone ends at once); gets the default action for
// every signal and no blocked signals; enters the given working folder; gets the three given
// descriptors as standard input, output and error; keeps no other descriptor of this process (a
// library may have opened some without close-on-exec); and runs the program with exactly the given
// environment.
//
// Owned by one thread, which must live as long as the child (see above). signalGroup() may be
// called from any thread at any time: it only sends a signal, and never once the group's leader
// has been reaped, so it cannot hit a process that took over the id. The destructor kills the
// group and reaps the child if that has not happened yet.
class ChildProcess {
public:
    class StartError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    struct Setup {
        std::vector<std::string> arguments;   // arguments[0]: the program, an absolute path
        std::vector<std::string> environment; // "NAME=value" entries: all the child gets
        int input = -1;                       // the descriptors the child's 0, 1 and 2 become;
        int output = -1;                      // the caller keeps and closes them
        int error = -1;
        int workingFolder = -1;              // an open folder to start in; -1: the caller's
        std::optional<mode_t> umask;         // the caller's when not given
        std::uint64_t addressSpaceBytes = 0; // RLIMIT_AS; 0: none
        // No network: a namespace with only a loopback that is down, where the system allows it
        // (with CAP_SYS_ADMIN, or in a user namespace of its own mapping only the user's ids).
        // Where neither is allowed the child runs unconfined (see networkIsolated()).
        bool isolateNetwork = false;
    };

    // Starts the child. Throws StartError with the reason when it could not be forked or its
    // program could not be run.
    explicit ChildProcess(const Setup& setup);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // The caller's environment without the variables whose names start with one of the removed
    // prefixes, with the given "NAME=value" entries added in place of any of the same name.
    static std::vector<std::string> environment(const std::vector<std::string>& added,
                                                const std::vector<std::string>& removedPrefixes);

    pid_t pid() const { return pid_; }
    bool networkIsolated() const { return networkIsolated_; }

    // Sends the signal to the whole group unless its leader has been reaped. Thread-safe.
    void signalGroup(int signal);

    // True once the child has ended. It stays a zombie until reap(), so its process id and group
    // cannot be reused meanwhile. Also true when something else reaped it behind our back.
    bool hasEnded();

    // Waits for the child to end and reaps it. Returns the wait status, or nothing when the
    // child could not be waited for (something else reaps children): its outcome is unknown.
    std::optional<int> reap();

private:
    // No more signals to the group: its leader is or may be gone.
    void forgetGroup();

    pid_t pid_ = -1;
    bool networkIsolated_ = false;
    bool reaped_ = false;
    std::mutex groupMutex_; // guards group_ between signalGroup() and reaping
    pid_t group_ = -1;      // -1 once the leader is reaped
};

} // namespace zarta
