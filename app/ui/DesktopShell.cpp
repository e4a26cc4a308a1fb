#include "app/ui/DesktopShell.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>

namespace zarta::ui {

void DesktopShell::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void DesktopShell::showItem(const QString& filePath, const QString& folderPath) {
    const QUrl folder = QUrl::fromLocalFile(folderPath);
    QDBusConnection bus = bus_ ? *bus_ : QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(filePath).toString()} << QString();
    // The reply is awaited without blocking the user interface; a file manager that has to be
    // started first may take a moment.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [this, folder](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             openUrl(folder);
                         }
                         finished->deleteLater();
                     });
}

} // namespace zarta::ui
