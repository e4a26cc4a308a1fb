#include "platform/clipboard/QtClipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>

namespace zarta {

namespace {

// Qt's own image format carries no bytes of its own: an image on the clipboard is saved as PNG.
const QString qtImageFormat = QStringLiteral("application/x-qt-image");
const QString pngFormat = QStringLiteral("image/png");

QClipboard* reachableClipboard() {
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (application == nullptr || QThread::currentThread() != application->thread()) {
        return nullptr;
    }
    return QGuiApplication::clipboard();
}

} // namespace

ClipboardContents QtClipboard::save() {
    ClipboardContents contents;
    QClipboard* clipboard = reachableClipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    if (data == nullptr) {
        return contents;
    }
    bool havePng = false;
    for (const QString& format : data->formats()) {
        if (format == qtImageFormat) {
            continue;
        }
        havePng = havePng || format == pngFormat;
        contents.items.push_back({format, data->data(format)});
    }
    if (data->hasImage() && !havePng) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
        contents.items.push_back({pngFormat, png});
    }
    return contents;
}

bool QtClipboard::putPicture(const QImage& picture) {
    QClipboard* clipboard = reachableClipboard();
    if (clipboard == nullptr || picture.isNull()) {
        return false;
    }
    clipboard->setImage(picture);
    return true;
}

void QtClipboard::restore(const ClipboardContents& contents) {
    QClipboard* clipboard = reachableClipboard();
    if (clipboard == nullptr) {
        return;
    }
    if (contents.items.empty()) {
        clipboard->clear();
        return;
    }
    auto* data = new QMimeData;
    for (const ClipboardContents::Item& item : contents.items) {
        data->setData(item.format, item.data);
        // A picture is offered as an image again too, so that Qt hands it to readers in every
        // picture format the desktop asks for.
        if (item.format == pngFormat) {
            data->setImageData(QImage::fromData(item.data, "PNG"));
        }
    }
    clipboard->setMimeData(data); // the clipboard owns it
}

} // namespace zarta
