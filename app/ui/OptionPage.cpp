#include "app/ui/OptionPage.h"

#include <QKeyEvent>

namespace zarta::ui {

OptionPage::OptionPage(UiVariant variant, QWidget* parent) : QWidget(parent), variant_(variant) {
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    hide();
}

void OptionPage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace zarta::ui
