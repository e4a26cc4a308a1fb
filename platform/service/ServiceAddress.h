#pragma once

#include <string>

namespace zarta {

// Where the user's conversion service listens, and the files beside its socket.
//
// The folder is ZartaWordToPDF-service in $XDG_RUNTIME_DIR, or in the program's private data
// folder where the session has no runtime folder (DataFolders::runtimeFolder()). prepare() makes it
// (mode 0700) and checks that it is the user's own private folder, so that only the user can reach
// the socket; the service also checks the user of every connection.
//
// Plain functions of the environment; thread-safe as long as nobody changes the environment.
class ServiceAddress {
public:
    static std::string folder();
    static std::string socketPath() { return folder() + "/service.socket"; }
    // Held (flock) by the running service for its lifetime: one service per user.
    static std::string serviceLockPath() { return folder() + "/service.lock"; }
    // Held by a client while it starts the service: one start at a time.
    static std::string startLockPath() { return folder() + "/start.lock"; }
    // What the service writes to its standard error.
    static std::string logPath() { return folder() + "/service.log"; }

    // Creates the folder when missing and checks it: a real folder of this user that no one
    // else may enter. Throws ServiceError saying what is wrong.
    static void prepare(const std::string& folder);
};

} // namespace zarta
