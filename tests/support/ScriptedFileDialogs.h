#pragma once

#include "app/ui/FileDialogs.h"

#include <QStringList>

// Stands in for the file and folder choosers: answers with the next prepared choice.
class ScriptedFileDialogs : public zarta::ui::FileDialogs {
public:
    ScriptedFileDialogs() { install(this); }
    ~ScriptedFileDialogs() override { install(nullptr); }
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    QStringList chooseFiles(QWidget*, const QString& filter) override {
        lastFilter = filter;
        return files;
    }
    QString chooseFolder(QWidget*) override { return folder; }

    QStringList files;
    QString folder;
    QString lastFilter;
};
