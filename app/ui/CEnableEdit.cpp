#include "app/ui/CEnableEdit.h"

#include "app/ui/Accessibility.h"

#include <QAccessible>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace zarta::ui {

namespace {

// Whether the key reaches an edit as a character rather than as a plain key press.
bool producesCharacter(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter) {
        return true;
    }
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (modifiers == Qt::ControlModifier && key >= Qt::Key_A && key <= Qt::Key_Z) {
        return true;
    }
    const QString text = event.text();
    return !text.isEmpty() && text.front().isPrint();
}

} // namespace

CEnableEdit::CEnableEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    Accessibility::install();
}

void CEnableEdit::setText(const QString& text) {
    setPlainText(text);
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void CEnableEdit::setSingleLine(bool singleLine) {
    setLineWrapMode(singleLine ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    const Qt::ScrollBarPolicy policy = singleLine ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setVerticalScrollBarPolicy(policy);
    setHorizontalScrollBarPolicy(policy);
}

void CEnableEdit::keyPressEvent(QKeyEvent* event) {
    if (producesCharacter(*event)) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CEnableEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed characters are typed characters too.
    event->accept();
}

} // namespace zarta::ui
