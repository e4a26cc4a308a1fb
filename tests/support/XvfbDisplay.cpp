#include "tests/support/XvfbDisplay.h"

#include <csignal>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

XvfbDisplay::XvfbDisplay(int width, int height) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        throw std::runtime_error("Couldn't create a pipe for Xvfb");
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(ready[1]);
    pid_ = ::fork();
    if (pid_ == 0) {
        // The server must not outlive a test run that was killed.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::fcntl(ready[1], F_SETFD, 0);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        std::vector<const char*> args{"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                                      screen.c_str(), "-nolisten",  "tcp",      nullptr};
        ::execvp(args[0], const_cast<char* const*>(args.data()));
        ::_exit(127);
    }
    ::close(ready[1]);
    // The server writes its display number to the descriptor once it accepts clients.
    std::string number;
    pollfd waiting{ready[0], POLLIN, 0};
    char c = 0;
    while (::poll(&waiting, 1, 15000) == 1 && ::read(ready[0], &c, 1) == 1 && c != '\n') {
        number.push_back(c);
    }
    ::close(ready[0]);
    if (pid_ < 0 || number.empty()) {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    }
    name_ = ":" + number;
}

XvfbDisplay::~XvfbDisplay() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}
