#include "addin/HelperDialogRunner.h"

#include "platform/process/ChildProcess.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

void HelperDialogRunner::run(const std::string& documentPath,
                             const std::function<void()>& whileWaiting) {
    if (running_) {
        return;
    }
    running_ = true;
    struct Done {
        bool& running;
        ~Done() { running = false; }
    } done{running_};
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ChildProcess::Setup setup;
    setup.arguments = {helperPath(), "--caption", caption_, "--document", documentPath};
    setup.environment = ChildProcess::environment({}, {});
    setup.input = nothing;
    setup.output = STDOUT_FILENO;
    setup.error = STDERR_FILENO;
    try {
        ChildProcess helper(setup);
        ::close(nothing);
        if (whileWaiting) {
            while (!helper.hasEnded()) {
                whileWaiting();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        helper.reap();
    } catch (const ChildProcess::StartError& error) {
        ::close(nothing);
        std::fprintf(stderr, "%s: the convert dialog could not be started: %s\n", caption_.c_str(),
                     error.what());
    }
}

} // namespace zarta::addin
