#include "app/ui/SortedListBox.h"

namespace zarta::ui {

SortedListBox::SortedListBox(QWidget* parent) : QListWidget(parent) {}

int SortedListBox::addString(const QString& text) {
    int row = 0;
    while (row < count() && QString::compare(item(row)->text(), text, Qt::CaseInsensitive) <= 0) {
        ++row;
    }
    insertItem(row, text);
    return row;
}

int SortedListBox::findStringExact(const QString& text) const {
    for (int row = 0; row < count(); ++row) {
        if (QString::compare(item(row)->text(), text, Qt::CaseInsensitive) == 0) {
            return row;
        }
    }
    return -1;
}

QStringList SortedListBox::strings() const {
    QStringList texts;
    texts.reserve(count());
    for (int row = 0; row < count(); ++row) {
        texts << item(row)->text();
    }
    return texts;
}

int SortedListBox::selectedRow() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

} // namespace zarta::ui
