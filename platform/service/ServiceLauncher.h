#pragma once

#include "platform/service/ServiceChannel.h"

#include <chrono>
#include <memory>
#include <string>

namespace zarta {

// Connects a client to the user's conversion service, starting the service first when none
// listens and the caller wants one.
//
// The service program is found through $ZARTA_SERVICE_PROGRAM, else beside the calling program
// or where the build tree and the installation put it relative to it. It is started detached (a
// session of its own, its output in ServiceAddress::logPath()) while the caller holds the start
// lock, so that clients starting at the same time start one service; the caller then waits for
// its socket, at most startLimit. It gets the caller's environment without ZARTA_OFFICES and
// ZARTA_REQUIRE_ISOLATION: its office count follows the machine whoever starts it, and whether
// isolation is required travels with each file.
//
// Thread: any thread; each call is independent.
class ServiceLauncher {
public:
    static constexpr std::chrono::seconds startLimit{10};

    // A connection to the running service, or nullptr when none could be had (no service and
    // start false, the program missing, the folder not private, the socket's path too long);
    // whyNot, when given, says why.
    static std::unique_ptr<ServiceChannel> connect(bool start, std::string* whyNot = nullptr);

    // The service program's path, or empty when none is found.
    static std::string programPath();

    // How long a client waits for the service to say anything during a request before it
    // takes the service for hung: $ZARTA_SERVICE_SILENCE_MS, else 20 seconds. The service says
    // it is still working every two seconds.
    static ServiceChannel::Timeout silenceLimit();
};

} // namespace zarta
