#pragma once

#include "app/ui/FileDialogs.h"

namespace zarta::ui {

// The real choosers: QFileDialog, modal over the owner.
class QtFileDialogs : public FileDialogs {
public:
    QStringList chooseFiles(QWidget* owner, const QString& filter) override;
    QString chooseFolder(QWidget* owner) override;
};

} // namespace zarta::ui
