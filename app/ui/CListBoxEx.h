#pragma once

#include "app/ui/SortedListBox.h"

#include <QStringList>

namespace zarta::ui {

// The convert page's file list: a sorted list of full paths that accepts files dropped from the
// file manager (text/uri-list). Each dropped path is checked in turn:
// - a folder, or a name without an extension (no "." or only a leading one), is skipped silently;
// - an extension that, lowered, is not an accepted one is refused with "File format not
//   support!" (caption "Warning", information icon);
// - a path the list already holds, apart from letter case, is refused with "Convert File
//   existing." (caption "Warning", information icon);
// - anything else is added at its sorted place.
// While the list is busy, a drop is refused as a whole with the standard message box "Working
// now,Hold for a moment!". After a drop that added at least one path, filesDropped() is emitted
// once, queued, so it reaches its receivers after the drop has been handled.
//
// The drop is examined after the drop event has returned, so the file manager is never kept
// waiting by a message box. With the keyboard's focus and no files, the list draws a focus frame
// (a listed file shows the focus itself). User-interface thread only.
class CListBoxEx : public SortedListBox {
    Q_OBJECT
public:
    explicit CListBoxEx(QWidget* parent = nullptr);

    // Extensions without the dot, in lower case, e.g. "doc".
    void addAcceptedExtension(const QString& extension);
    // True when the extension of the path's file name (the engine's Word-file rule) is one of
    // the accepted ones.
    bool hasAcceptedExtension(const QString& path) const;

    void setBusy(bool busy) { busy_ = busy; }

    // Runs the checks above on dropped paths, as a drop does.
    void acceptDroppedPaths(const QStringList& paths);

signals:
    void filesDropped();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    Qt::DropActions supportedDropActions() const override;

private:
    bool accepts(const QString& path);

    QStringList acceptedExtensions_;
    bool busy_ = false;
};

} // namespace zarta::ui
