#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

namespace zarta::desktop {

// Hands the files given to a second copy of the program to the copy already running, over a
// local socket in the user's private runtime folder (only the user may connect). The running
// copy listens and emits filesReceived() for each copy that hands files over; the second copy
// sends them with send() and ends. File names go as the file system's bytes, each ended by a
// NUL, the list ended by an empty name. User-interface thread only, except send(), which blocks
// and may run on any thread.
class FileHandOver : public QObject {
    Q_OBJECT
public:
    explicit FileHandOver(QObject* parent = nullptr);

    // The socket's path in a runtime folder.
    static QString socketPath(const QString& runtimeFolder);

    // Listens at `path`, replacing a socket a copy that died left there (the caller holds the
    // single-copy lock). False when it cannot listen.
    bool listen(const QString& path);

    // Sends the files to the copy listening at `path` (waiting for it to listen) and waits, in all
    // at most `timeoutMs` milliseconds, until it has taken them. False when no copy took them.
    static bool send(const QString& path, const QStringList& files, int timeoutMs = 5000);

signals:
    void filesReceived(const QStringList& files);

private:
    void takeConnection();

    QLocalServer server_;
};

} // namespace zarta::desktop
