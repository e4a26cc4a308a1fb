#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zarta {

class BatchControl;

// Runs a child program and waits for it to end.
//
// The argument vector is passed as is (no shell, no re-parsing): arguments[0] is the absolute
// path of the executable. The child gets no terminal, standard input from /dev/null unless
// Settings::standardInput says otherwise, the caller's environment (changed as Settings says),
// the caller's working directory unless Settings::workingFolder names another, and none of the
// caller's other open files. It never outlives the caller: when the caller dies, however, the
// child is killed.
//
// Thread: called on the batch worker's thread; blocks it until the child has ended. The wait is
// a safe point: when the batch is abandoned, or the time limit passes, the child (with its own
// children) is ended; an abandoned batch makes run() throw BatchAbandoned after the child has
// been reaped, a time-out is reported in Result::timedOut.
class ProcessRunner {
public:
    // "NAME=value" entries that add to or replace the caller's environment for the child.
    using Environment = std::vector<std::string>;

    struct Settings {
        Environment environment;
        // Variables whose names start with one of these are not passed on.
        std::vector<std::string> removedPrefixes;
        // What the child reads on its standard input. It is held in memory only (never in a
        // file on disk), and the child may open it again by the name /dev/stdin.
        std::optional<std::string> standardInput;
        // How long the child may run before it is ended; no limit when absent.
        std::optional<std::chrono::milliseconds> timeLimit;
        // An open folder (a descriptor the caller keeps) that the child starts in, so that the
        // names it is given relative to it reach exactly that folder, whatever happens to the
        // folder's path meanwhile; -1: the caller's working directory.
        int workingFolder = -1;
    };

    struct Result {
        int exitStatus = -1;     // the child's exit status; -1 when it was ended by a signal
        int signal = 0;          // the signal that ended it, 0 when it exited
        std::string errorOutput; // the last part (at most 64 KiB) of its standard error
        std::string output;      // the last part (at most 64 KiB) of its standard output
        bool timedOut = false;   // it was ended because it ran past Settings::timeLimit

        bool succeeded() const { return signal == 0 && exitStatus == 0 && !timedOut; }
    };

    // Raised when the child cannot be started at all (executable missing, not executable).
    class StartError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    virtual ~ProcessRunner() = default;

    virtual Result run(const std::vector<std::string>& arguments, const Settings& settings,
                       BatchControl& control) = 0;
};

} // namespace zarta
