#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace zarta::ui {

// The file and folder choosers of the convert page. Every dialog goes through the installed
// implementation, so tests can answer without showing a window; the program uses QtFileDialogs,
// the default.
//
// User-interface thread only. install() does not take ownership; the installed object must stay
// alive until it is replaced or uninstalled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // An open-file dialog with multiple selection and the given filter ("Word Files (*.doc
    // *.docx)"). Yields the chosen files as full paths, in the dialog's order; empty when
    // cancelled.
    virtual QStringList chooseFiles(QWidget* owner, const QString& filter) = 0;
    // A folder chooser for existing folders. Yields the folder's path; empty when cancelled.
    virtual QString chooseFolder(QWidget* owner) = 0;

    static FileDialogs& current();
    // Replaces the implementation; nullptr restores the default.
    static void install(FileDialogs* dialogs);
};

} // namespace zarta::ui
