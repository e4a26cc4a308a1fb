#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace zarta {

class BatchControl;

// Runs a child program and waits for it to end.
//
// The argument vector is passed as is (no shell, no re-parsing): arguments[0] is the absolute
// path of the executable. The child gets no terminal, standard input from /dev/null, the
// caller's environment (with the given entries added or replaced) and working directory, and
// none of the caller's other open files.
//
// Thread: called on the batch worker's thread; blocks it until the child has ended. The wait
// has no time limit but is a safe point: when the batch is abandoned, the child (with its own
// children) is ended and run() throws BatchAbandoned after it has been reaped.
class ProcessRunner {
public:
    struct Result {
        int exitStatus = -1;     // the child's exit status; -1 when it was ended by a signal
        int signal = 0;          // the signal that ended it, 0 when it exited
        std::string errorOutput; // the last part (at most 64 KiB) of its standard error
        std::string output;      // the last part (at most 64 KiB) of its standard output

        bool succeeded() const { return signal == 0 && exitStatus == 0; }
    };

    // Raised when the child cannot be started at all (executable missing, not executable).
    class StartError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    virtual ~ProcessRunner() = default;

    // "NAME=value" entries that add to or replace the caller's environment for the child.
    using Environment = std::vector<std::string>;

    virtual Result run(const std::vector<std::string>& arguments, const Environment& environment,
                       BatchControl& control) = 0;
};

} // namespace zarta
