#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <ostream>

// Readable failure messages for the Qt values the widget tests compare.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '"' << texts.join(QStringLiteral("\", \"")).toStdString() << '"';
}

inline void PrintTo(const QColor& colour, std::ostream* out) {
    *out << colour.name().toStdString();
}

// The child control of a dialog or page that carries the identifier, or nullptr.
template <class Widget>
Widget* findControl(const QWidget& parent, int id) {
    return parent.findChild<Widget*>(QString::number(id));
}
