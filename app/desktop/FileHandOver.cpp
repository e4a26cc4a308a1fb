#include "app/desktop/FileHandOver.h"

#include "engine/ProductNames.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

namespace zarta::desktop {

namespace {

// What the running copy answers once it has the files.
constexpr char taken = 'T';
// A list longer than this is not a list of files a file manager hands over; the connection is
// dropped rather than held in memory.
constexpr qsizetype maximumList = 64 * 1024 * 1024;

} // namespace

FileHandOver::FileHandOver(QObject* parent) : QObject(parent) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &FileHandOver::takeConnection);
}

QString FileHandOver::socketPath(const QString& runtimeFolder) {
    return QDir(runtimeFolder)
        .filePath(QString::fromLatin1(ProductNames::program.data()) + QStringLiteral(".files"));
}

bool FileHandOver::listen(const QString& path) {
    QLocalServer::removeServer(path);
    return server_.listen(path);
}

void FileHandOver::takeConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray received = socket->peek(socket->bytesAvailable());
            if (received.size() > maximumList) {
                socket->abort();
                return;
            }
            // The list ends with an empty name: two NULs in a row, or one NUL alone.
            if (!(received == QByteArray(1, '\0') || received.endsWith(QByteArray(2, '\0')))) {
                return;
            }
            QStringList files;
            for (const QByteArray& name : socket->readAll().split('\0')) {
                if (!name.isEmpty()) {
                    files.append(QFile::decodeName(name));
                }
            }
            socket->write(&taken, 1);
            socket->flush();
            emit filesReceived(files);
        });
    }
}

bool FileHandOver::send(const QString& path, const QStringList& files, int timeoutMs) {
    // The running copy may still be starting (its lock taken, its socket not yet there).
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            break;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(100);
    }
    QByteArray list;
    for (const QString& file : files) {
        list += QFile::encodeName(file) + '\0';
    }
    list += '\0';
    socket.write(list);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            return false;
        }
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == taken;
}

} // namespace zarta::desktop
