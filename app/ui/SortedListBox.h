#pragma once

#include <QListWidget>
#include <QStringList>

namespace zarta::ui {

// A list of texts that keeps its items in case-insensitive alphabetical order, as a sorted list
// box does: "Alpha.pdf", "beta.pdf", "zeta.pdf". Items are added only through addString().
//
// User-interface thread only.
class SortedListBox : public QListWidget {
    Q_OBJECT
public:
    explicit SortedListBox(QWidget* parent = nullptr);

    // Inserts the text at its place in the order and returns its row. A text equal to existing
    // ones apart from letter case goes after them.
    int addString(const QString& text);
    // The row of the first item equal to text apart from letter case, or -1.
    int findStringExact(const QString& text) const;
    QStringList strings() const;
    // The row of the selected item, or -1 when none is selected (single selection).
    int selectedRow() const;
};

} // namespace zarta::ui
