#pragma once

#include <string>

#include <sys/types.h>

// A private X server (Debian's Xvfb) for tests that need a real display: started on a free
// display number the server picks itself, stopped and reaped by the destructor. Tests reach it
// through name() (":N"), e.g. as DISPLAY for the programs they start.
class XvfbDisplay {
public:
    // Throws std::runtime_error when the server cannot be started within a few seconds.
    XvfbDisplay(int width, int height);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};
