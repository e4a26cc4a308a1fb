#pragma once

#include <chrono>
#include <string>

namespace zarta {

class BatchControl;

// A child program kept running and handed work over its standard input, one piece at a time,
// each piece ending with a line the program prints when it is done, holding a marker.
//
// send() writes to the child's standard input. waitFor() then collects its standard output and
// standard error until the output holds the marker and the rest of its line, the child ends, the
// time limit passes or the batch is abandoned. A child that runs past the limit is ended (with
// everything it started) and the reply says so; an abandoned batch ends it the same way and makes
// waitFor() throw BatchAbandoned. Once the child has ended, or has been ended, the session is dead:
// send() and waitFor() only report that.
//
// Destroying the session ends the child (its whole process group) at once and reaps it; so does
// the end of this program, however it ends.
//
// Thread: one thread at a time calls send() and waitFor(); it need not be the thread that
// started the session, and it may differ from one call to the next. The wait is a safe point of
// the BatchControl.
class ProcessSession {
public:
    struct Reply {
        bool marked = false;     // the output reached the marker's line
        std::string markLine;    // the rest of that line after the marker
        bool ended = false;      // the child ended (or was ended) before that
        bool timedOut = false;   // it was ended because the time limit passed
        std::string output;      // standard output since the last wait, up to the marker
        std::string errorOutput; // standard error since the last wait (its last part)
        int exitStatus = -1;     // when ended: its exit status, -1 when a signal ended it
        int signal = 0;          // when ended: the signal that ended it, 0 when it exited
    };

    virtual ~ProcessSession() = default;

    // Writes text to the child's standard input; returns false when the child no longer reads
    // it (it has ended).
    virtual bool send(const std::string& text) = 0;

    virtual Reply waitFor(const std::string& marker, std::chrono::milliseconds timeLimit,
                          BatchControl& control) = 0;

    // Whether the child is still running, as far as this session knows.
    virtual bool alive() const = 0;
};

} // namespace zarta
