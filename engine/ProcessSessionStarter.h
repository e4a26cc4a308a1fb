#pragma once

#include "engine/ProcessRunner.h"

#include <memory>
#include <string>
#include <vector>

namespace zarta {

class ProcessSession;

// Starts child programs that are kept running and fed over their standard input (see
// ProcessSession), as ProcessRunner runs programs that are waited for at once.
//
// The arguments and settings mean what they mean for ProcessRunner::run(), except that the
// child's standard input is the session's (Settings::standardInput and Settings::timeLimit are
// not used; each ProcessSession::waitFor() has its own limit).
//
// Thread: any thread; the session it returns may then be used from other threads (see
// ProcessSession).
class ProcessSessionStarter {
public:
    virtual ~ProcessSessionStarter() = default;

    // Throws ProcessRunner::StartError when the child cannot be started at all.
    virtual std::unique_ptr<ProcessSession>
    startSession(const std::vector<std::string>& arguments,
                 const ProcessRunner::Settings& settings) = 0;
};

} // namespace zarta
