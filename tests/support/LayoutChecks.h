#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QTabBar>
#include <QWidget>

#include <algorithm>

// Layout checks of the screenshot tests, shared by every window's tests.

// The width of a text as shown, a mnemonic's "&" left out.
inline int shownWidth(const QFontMetrics& metrics, const QString& text) {
    return metrics.size(Qt::TextShowMnemonic, text).width();
}

// The width a control needs to show its whole text.
inline int neededWidth(const QWidget& control) {
    const QFontMetrics metrics(control.font());
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        return label->wordWrap() ? 0 : shownWidth(metrics, label->text());
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
        const int margin = control.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &control);
        return shownWidth(metrics, button->text()) + margin;
    }
    if (qobject_cast<const QCheckBox*>(&control) || qobject_cast<const QRadioButton*>(&control) ||
        qobject_cast<const QComboBox*>(&control)) {
        return control.sizeHint().width();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&control)) {
        return shownWidth(metrics, group->title()) + 2 * metrics.averageCharWidth();
    }
    return 0;
}

// Every text of the widget's direct children must fit its control, must not be covered by a
// control stacked above it, and every control must lie inside the widget.
inline QStringList clippedTexts(const QWidget& widget) {
    QStringList problems;
    const QList<QWidget*> children = widget.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < children.size(); ++i) {
        const QWidget& control = *children[i];
        if (control.isHidden()) {
            continue;
        }
        const QString what = control.objectName() + u' ' + control.metaObject()->className() +
                             u' ' + control.property("text").toString() +
                             control.property("title").toString();
        if (!widget.rect().contains(control.geometry())) {
            problems << what + QStringLiteral(": outside its page");
        }
        const int needed = neededWidth(control);
        if (needed > control.width()) {
            problems
                << what + QStringLiteral(": needs %1 px, has %2").arg(needed).arg(control.width());
        }
        if (const auto* label = qobject_cast<const QLabel*>(&control);
            label != nullptr && label->wordWrap() &&
            label->heightForWidth(label->width()) > label->height()) {
            problems << what + QStringLiteral(": wrapped text too tall");
        }
        if (qobject_cast<const QGroupBox*>(&control) != nullptr || needed == 0) {
            continue;
        }
        const QRect text(control.pos(), QSize(std::min(needed, control.width()), control.height()));
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            const QWidget& above = *children[j];
            if (!above.isHidden() && qobject_cast<const QGroupBox*>(&above) == nullptr &&
                above.geometry().intersects(text)) {
                problems << what + QStringLiteral(": covered by ") + above.objectName() + u' ' +
                                above.metaObject()->className();
            }
        }
    }
    return problems;
}

// The mnemonic letters of a window's visible buttons, labels with buddies and tabs: a letter
// that shows up twice would only move the focus between its controls.
inline QStringList visibleMnemonics(const QWidget& window) {
    QStringList letters;
    const auto add = [&letters](const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty()) {
            letters << key.toString();
        }
    };
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible()) {
            continue;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            add(button->text());
        } else if (auto* label = qobject_cast<QLabel*>(widget); label && label->buddy()) {
            add(label->text());
        } else if (auto* tabBar = qobject_cast<QTabBar*>(widget)) {
            for (int tab = 0; tab < tabBar->count(); ++tab) {
                add(tabBar->tabText(tab));
            }
        }
    }
    return letters;
}
