#pragma once

#include <QPlainTextEdit>

namespace zarta::ui {

// An edit that ignores typed characters: letters, Backspace, Enter and the clipboard shortcuts
// Ctrl+C, Ctrl+V and Ctrl+X (and every other Ctrl+letter) change nothing. Keys that act without
// producing a character keep their standard effect: Delete, the arrows, Home and End,
// Shift+Insert, Ctrl+Insert and Shift+Delete, Tab (moves the focus), and the context menu. The
// owner sets the text. Used as the convert page's status line (setSingleLine) and the about
// box's notice.
//
// User-interface thread only.
class CEnableEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CEnableEdit(QWidget* parent = nullptr);

    // One line without wrapping and without scroll bars.
    void setSingleLine(bool singleLine);

    // Replaces the text and tells assistive technology, which reads this edit as static text.
    void setText(const QString& text);
    QString text() const { return toPlainText(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
};

} // namespace zarta::ui
