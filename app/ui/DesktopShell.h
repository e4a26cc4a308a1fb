#pragma once

#include "app/ui/Shell.h"

#include <QDBusConnection>

#include <optional>

namespace zarta::ui {

// The real shell: QDesktopServices for opening, and the file manager's D-Bus service
// (org.freedesktop.FileManager1.ShowItems) for showing a selected file. The D-Bus call does not
// block: when it fails, or the bus is not reachable at all, the folder is opened instead.
//
// By default the session bus is looked up at each call, so the program's one instance holds no
// connection of its own. The object must outlive the replies of the calls it made.
class DesktopShell : public Shell {
public:
    DesktopShell() = default;
    // Talks to the file manager over the given bus instead of the session bus.
    explicit DesktopShell(const QDBusConnection& bus) : bus_(bus) {}

    void openUrl(const QUrl& url) override;
    void showItem(const QString& filePath, const QString& folderPath) override;

private:
    std::optional<QDBusConnection> bus_;
};

} // namespace zarta::ui
