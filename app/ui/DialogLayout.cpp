#include "app/ui/DialogLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace zarta::ui {

namespace {

// The point size the templates were written for.
constexpr int templatePointSize = 8;

const QFont& withDialogFont(QWidget& dialog, int pointSize) {
    QFont font = DialogUnits::dialogFont();
    if (pointSize != templatePointSize) {
        const qreal scale = qreal(pointSize) / templatePointSize;
        // A desktop font may be given in pixels rather than points.
        if (font.pointSizeF() > 0) {
            font.setPointSizeF(font.pointSizeF() * scale);
        } else {
            font.setPixelSize(qRound(font.pixelSize() * scale));
        }
    }
    dialog.setFont(font);
    return dialog.font();
}

} // namespace

DialogLayout::DialogLayout(QWidget& dialog, const QSize& sizeInUnits)
    : DialogLayout(dialog, sizeInUnits, templatePointSize) {}

DialogLayout::DialogLayout(QWidget& dialog, const QSize& sizeInUnits, int pointSize)
    : dialog_(dialog), units_(withDialogFont(dialog, pointSize)) {
    dialog_.resize(units_.size(sizeInUnits));
}

void DialogLayout::placeWidget(QWidget* widget, int id, const QRect& rectInUnits) {
    widget->setGeometry(units_.rect(rectInUnits));
    if (id != 0) {
        widget->setObjectName(QString::number(id));
    }
}

void DialogLayout::fitButton(QWidget* button) {
    const QSize needed = button->sizeHint();
    QRect geometry = button->geometry();
    if (geometry.height() < needed.height()) {
        const int centre = geometry.center().y();
        geometry.setTop(centre - needed.height() / 2);
        geometry.setHeight(needed.height());
    }
    geometry.setWidth(std::max(geometry.width(), needed.width()));
    button->setGeometry(geometry);
}

QLabel* DialogLayout::label(const QString& text, const QPoint& atInUnits, int id) {
    auto* label = new QLabel(text, &dialog_);
    label->setTextFormat(Qt::PlainText);
    placeWidget(label, id, QRect(atInUnits, QSize(0, 8)));
    label->resize(label->sizeHint().width(), label->height());
    return label;
}

QLabel* DialogLayout::label(const QString& text, const QRect& rectInUnits, int id) {
    auto* label = new QLabel(text, &dialog_);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeWidget(label, id, rectInUnits);
    // A single-line text is never cut off: where the desktop's font sets it a little wider than
    // the template counted with, the label grows to the right.
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    return label;
}

QLineEdit* DialogLayout::edit(int id, const QRect& rectInUnits) {
    return place(new QLineEdit(&dialog_), id, rectInUnits);
}

QLineEdit* DialogLayout::passwordEdit(int id, const QRect& rectInUnits) {
    QLineEdit* edit = this->edit(id, rectInUnits);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QPlainTextEdit* DialogLayout::multiLineEdit(int id, const QRect& rectInUnits) {
    auto* edit = place(new QPlainTextEdit(&dialog_), id, rectInUnits);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setTabChangesFocus(true);
    return edit;
}

QCheckBox* DialogLayout::checkBox(int id, const QString& text, const QRect& rectInUnits) {
    auto* box = place(new QCheckBox(text, &dialog_), id, rectInUnits);
    fitButton(box);
    return box;
}

QRadioButton* DialogLayout::radioButton(int id, const QString& text, const QRect& rectInUnits) {
    auto* button = place(new QRadioButton(text, &dialog_), id, rectInUnits);
    fitButton(button);
    return button;
}

QGroupBox* DialogLayout::groupBox(int id, const QString& title, const QRect& rectInUnits) {
    auto* group = place(new QGroupBox(title, &dialog_), id, rectInUnits);
    group->setFocusPolicy(Qt::NoFocus);
    return group;
}

QComboBox* DialogLayout::comboBox(int id, const QRect& rectInUnits, bool editable) {
    auto* combo = new QComboBox(&dialog_);
    combo->setEditable(editable);
    combo->setInsertPolicy(QComboBox::NoInsert);
    placeWidget(combo, id, rectInUnits);
    combo->resize(combo->width(), std::min(combo->height(), combo->sizeHint().height()));
    return combo;
}

QPushButton* DialogLayout::pushButton(int id, const QString& text, const QRect& rectInUnits,
                                      bool isDefault) {
    auto* button = place(new QPushButton(text, &dialog_), id, rectInUnits);
    button->setDefault(isDefault);
    return button;
}

} // namespace zarta::ui
