#pragma once

#include <QList>
#include <QProcess>

// A window manager (Debian's openbox) on the test's display, for tests of what only a managed
// display does: stacking, raising, frames. Started by the constructor, which returns once it
// manages the screen (or after ten seconds); ended by the destructor. Used on the test's thread.
class WindowManager {
public:
    WindowManager();
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // The managed windows from the bottom of the stack to the top, as X window ids.
    static QList<quint32> stacking();

private:
    QProcess process_;
};
