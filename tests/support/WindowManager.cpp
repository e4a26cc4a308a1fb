#include "tests/support/WindowManager.h"

#include <QDeadlineTimer>
#include <QString>
#include <QThread>

WindowManager::WindowManager() {
    process_.start("openbox", {"--sm-disable"});
    process_.waitForStarted(10000);
    // Running once it has set the root window's stacking list.
    const QDeadlineTimer deadline(10000);
    while (stacking().isEmpty() && !deadline.hasExpired()) {
        QThread::msleep(50);
    }
}

WindowManager::~WindowManager() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QList<quint32> WindowManager::stacking() {
    QProcess xprop;
    xprop.start("xprop", {"-root", "-notype", "_NET_CLIENT_LIST_STACKING"});
    xprop.waitForFinished(10000);
    const QString line = QString::fromUtf8(xprop.readAllStandardOutput());
    QList<quint32> ids;
    const qsizetype from = line.indexOf(u'#');
    if (from >= 0) {
        for (const QString& id : line.mid(from + 1).split(u',', Qt::SkipEmptyParts)) {
            ids << id.trimmed().toUInt(nullptr, 16);
        }
    }
    return ids;
}
