#pragma once

#include "app/ui/DialogUnits.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace zarta::ui {

// Builds a dialog from its template: the dialog gets the dialog font and its size, and every
// control is created as a direct child of the dialog at its rectangle, given in dialog units.
// A control with an identifier carries it as its objectName ("1021"); identifier 0 means none.
// Controls are created in template order, which is also their tab order and stacking order.
//
// Used on the user-interface thread while the dialog is being constructed; the layout does not
// own anything and may be discarded afterwards.
class DialogLayout {
public:
    DialogLayout(QWidget& dialog, const QSize& sizeInUnits);
    // A template written for another point size than the usual 8 points: its font is the dialog
    // font scaled by pointSize / 8, so it keeps its proportion to the other dialogs whatever the
    // desktop's font size.
    DialogLayout(QWidget& dialog, const QSize& sizeInUnits, int pointSize);

    const DialogUnits& units() const { return units_; }

    // Places an already created child of the dialog and names it after its identifier.
    template <class Widget>
    Widget* place(Widget* widget, int id, const QRect& rectInUnits) {
        placeWidget(widget, id, rectInUnits);
        return widget;
    }

    // A static text sized to its text, its top-left corner at the given point.
    QLabel* label(const QString& text, const QPoint& atInUnits, int id = 0);
    // A static text or picture with a rectangle of its own; a text wider than the rectangle
    // widens it.
    QLabel* label(const QString& text, const QRect& rectInUnits, int id = 0);
    QLineEdit* edit(int id, const QRect& rectInUnits);
    QLineEdit* passwordEdit(int id, const QRect& rectInUnits);
    QPlainTextEdit* multiLineEdit(int id, const QRect& rectInUnits);
    QCheckBox* checkBox(int id, const QString& text, const QRect& rectInUnits);
    QRadioButton* radioButton(int id, const QString& text, const QRect& rectInUnits);
    QGroupBox* groupBox(int id, const QString& title, const QRect& rectInUnits);
    // A drop-down list; its rectangle's height is that of the opened list, the closed box takes
    // the height its style needs. An editable one has a text field and keeps its items fixed.
    QComboBox* comboBox(int id, const QRect& rectInUnits, bool editable);
    QPushButton* pushButton(int id, const QString& text, const QRect& rectInUnits,
                            bool isDefault = false);

private:
    void placeWidget(QWidget* widget, int id, const QRect& rectInUnits);
    // Check boxes and radio buttons get at least the size their indicator and text need (the
    // style's indicator and spacing may be larger than the template counted with), growing to
    // the right and evenly up and down, so neither is ever cut off.
    void fitButton(QWidget* button);

    QWidget& dialog_;
    DialogUnits units_;
};

} // namespace zarta::ui
