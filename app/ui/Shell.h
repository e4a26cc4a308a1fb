#pragma once

#include <QString>
#include <QUrl>

namespace zarta::ui {

// What the dialogs ask of the desktop: opening a file, folder or web address with the desktop's
// handler, and showing a file selected in the file manager. Failures are never reported back;
// the dialogs ignore them. The program uses DesktopShell, the default; tests install a recorder.
//
// User-interface thread only. install() does not take ownership; the installed object must stay
// alive until it is replaced or uninstalled.
class Shell {
public:
    virtual ~Shell() = default;

    // Opens the URL (a local file, a folder or a web address) with the desktop's handler.
    virtual void openUrl(const QUrl& url) = 0;
    // Shows folderPath in the file manager with filePath selected; where no file manager
    // answers, opens folderPath instead.
    virtual void showItem(const QString& filePath, const QString& folderPath) = 0;

    static Shell& current();
    // Replaces the implementation; nullptr restores the default.
    static void install(Shell* shell);
};

} // namespace zarta::ui
