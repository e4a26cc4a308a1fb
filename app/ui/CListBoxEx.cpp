#include "CListBoxEx.h"

#include "MessageBoxes.h"
#include "UiTexts.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace zarta::ui {

namespace {

// Only A to Z are lowered, so an extension compares the same whatever the locale.
QString lowerAscii(QString text) {
    for (QChar& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = QChar(c.unicode() + (u'a' - u'A'));
        }
    }
    return text;
}

QStringList localPaths(const QMimeData* mime) {
    QStringList paths;
    if (mime == nullptr) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

} // namespace

CListBoxEx::CListBoxEx(QWidget* parent) : SortedListBox(parent) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void CListBoxEx::addAcceptedExtension(const QString& extension) {
    acceptedExtensions_ << extension;
}

Qt::DropActions CListBoxEx::supportedDropActions() const {
    return Qt::CopyAction;
}

void CListBoxEx::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CListBoxEx::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CListBoxEx::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QMetaObject::invokeMethod(
        this, [this, paths = localPaths(event->mimeData())] { acceptDroppedPaths(paths); },
        Qt::QueuedConnection);
}

void CListBoxEx::acceptDroppedPaths(const QStringList& paths) {
    if (busy_) {
        MessageBoxes::showStandard(window(), UiTexts::workingNow.toString());
        return;
    }
    bool added = false;
    for (const QString& path : paths) {
        if (accepts(path)) {
            addString(path);
            added = true;
        }
    }
    if (added) {
        QMetaObject::invokeMethod(this, &CListBoxEx::filesDropped, Qt::QueuedConnection);
    }
}

bool CListBoxEx::accepts(const QString& path) {
    if (QFileInfo(path).isDir()) {
        return false;
    }
    // The extension is looked for in the file's own name, so a dot in a folder name never
    // counts, and a name that only starts with a dot has none.
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0) {
        return false;
    }
    if (!acceptedExtensions_.contains(lowerAscii(name.mid(dot + 1)))) {
        MessageBoxes::show(this, UiTexts::warningCaption.toString(),
                           UiTexts::formatNotSupported.toString(), MessageBoxes::Icon::Information);
        return false;
    }
    if (findStringExact(path) >= 0) {
        MessageBoxes::show(this, UiTexts::warningCaption.toString(),
                           UiTexts::fileExisting.toString(), MessageBoxes::Icon::Information);
        return false;
    }
    return true;
}

} // namespace zarta::ui
