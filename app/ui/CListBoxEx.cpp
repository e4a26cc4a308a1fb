#include "app/ui/CListBoxEx.h"

#include "app/ui/FileNameText.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/UiTexts.h"
#include "engine/Messages.h"
#include "engine/WordFiles.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QUrl>

#include <filesystem>

namespace zarta::ui {

namespace {

QStringList localPaths(const QMimeData* mime) {
    if (mime == nullptr) {
        return {};
    }
    return FileNameText::localPaths(mime->data(QStringLiteral("text/uri-list")));
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

bool CListBoxEx::hasAcceptedExtension(const QString& path) const {
    return acceptedExtensions_.contains(
        QString::fromStdString(WordFiles::extension(path.toStdString())));
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

void CListBoxEx::paintEvent(QPaintEvent* event) {
    SortedListBox::paintEvent(event);
    // The style shows the focus on the current file only; an empty list would take the focus
    // without showing it.
    if (count() == 0 && hasFocus()) {
        QPainter painter(viewport());
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = viewport()->rect();
        focus.backgroundColor = palette().color(QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
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
    std::error_code ignored;
    if (std::filesystem::is_directory(FileNameText::toBytes(path), ignored)) {
        return false;
    }
    // A name without an extension is passed over without a word, like a folder.
    if (WordFiles::extension(path.toStdString()).empty()) {
        return false;
    }
    if (!hasAcceptedExtension(path)) {
        MessageBoxes::show(this, UiTexts::warningCaption.toString(),
                           UiTexts::fromEngine(Messages::formatNotSupported),
                           MessageBoxes::Icon::Information);
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
