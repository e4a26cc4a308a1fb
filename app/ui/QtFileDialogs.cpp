#include "app/ui/QtFileDialogs.h"

#include <QFileDialog>

namespace zarta::ui {

QStringList QtFileDialogs::chooseFiles(QWidget* owner, const QString& filter) {
    return QFileDialog::getOpenFileNames(owner, QString(), QString(), filter);
}

QString QtFileDialogs::chooseFolder(QWidget* owner) {
    return QFileDialog::getExistingDirectory(owner, QString(), QString(),
                                             QFileDialog::ShowDirsOnly);
}

} // namespace zarta::ui
