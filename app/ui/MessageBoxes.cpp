#include "app/ui/MessageBoxes.h"

#include "app/ui/QtMessageBoxes.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace zarta::ui {

namespace {

MessageBoxes* installed = nullptr;

} // namespace

MessageBoxes::Answer MessageBoxes::show(QWidget* owner, const QString& caption, const QString& text,
                                        Icon icon, Buttons buttons) {
    return current().ask(Request{owner, caption, text, icon, buttons});
}

void MessageBoxes::showStandard(QWidget* owner, const QString& text) {
    show(owner, programName(), text, Icon::Warning, Buttons::Ok);
}

QString MessageBoxes::programName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

MessageBoxes& MessageBoxes::current() {
    static QtMessageBoxes real;
    return installed != nullptr ? *installed : real;
}

void MessageBoxes::install(MessageBoxes* boxes) {
    installed = boxes;
}

} // namespace zarta::ui
