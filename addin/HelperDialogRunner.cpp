#include "addin/HelperDialogRunner.h"

#include "platform/process/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zarta::addin {

void HelperDialogRunner::configure(std::string moduleFolder, std::string caption) {
    moduleFolder_ = std::move(moduleFolder);
    caption_ = std::move(caption);
}

std::string HelperDialogRunner::helperPath() const {
    if (const char* chosen = std::getenv(helperVariable); chosen != nullptr && *chosen != '\0') {
        return chosen;
    }
    return moduleFolder_ + "/" + helperName;
}

void HelperDialogRunner::raiseRunningDialog() const {
    // A socket rather than a pipe: a helper that has just ended must not end the host with
    // SIGPIPE. A helper that does not read (yet) loses nothing: the line waits for it.
    if (requests_ >= 0) {
        (void)::send(requests_, raiseRequest, std::strlen(raiseRequest),
                     MSG_NOSIGNAL | MSG_DONTWAIT);
    }
}

void HelperDialogRunner::run(const Request& request, const std::function<void()>& whileWaiting) {
    if (running_) {
        raiseRunningDialog();
        return;
    }
    int channel[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0) {
        std::fprintf(stderr, "%s: the convert dialog could not be started: %s\n", caption_.c_str(),
                     std::strerror(errno));
        return;
    }
    running_ = true;
    requests_ = channel[0];
    struct Done {
        HelperDialogRunner& runner;
        ~Done() {
            ::close(runner.requests_);
            runner.requests_ = -1;
            runner.running_ = false;
        }
    } done{*this};
    ChildProcess::Setup setup;
    setup.arguments = {helperPath(), "--caption", caption_, "--document", request.documentPath};
    if (request.unsavedChanges) {
        setup.arguments.push_back("--unsaved-changes");
    }
    if (request.hostWindow != 0) {
        setup.arguments.insert(setup.arguments.end(),
                               {"--host-window", std::to_string(request.hostWindow)});
    }
    setup.arguments.push_back("--raise-on-input");
    setup.environment = ChildProcess::environment({}, {});
    setup.input = channel[1];
    setup.output = STDOUT_FILENO;
    setup.error = STDERR_FILENO;
    try {
        ChildProcess helper(setup);
        ::close(channel[1]);
        if (whileWaiting) {
            // Each turn lets the host handle what is pending, then rests briefly: a screen
            // reader walking the host's controls sends hundreds of requests a second, which a
            // longer rest would stretch past its time-outs (at 20 ms it found no button in
            // 30 s); 5 ms costs the host about 1.5% of a core while the dialog is open.
            while (!helper.hasEnded()) {
                whileWaiting();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        helper.reap();
    } catch (const ChildProcess::StartError& error) {
        ::close(channel[1]);
        std::fprintf(stderr, "%s: the convert dialog could not be started: %s\n", caption_.c_str(),
                     error.what());
    }
}

} // namespace zarta::addin
