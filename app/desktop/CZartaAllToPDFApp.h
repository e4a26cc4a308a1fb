#pragma once

#include "engine/ProductNames.h"

#include <QString>
#include <QStringList>

namespace zarta::desktop {

class CZartaAllToPDFDlg;

// The program's start-up: answers --help and --version, lets only one copy run per user (a lock
// file named after the program in the user's runtime folder; a second copy hands the files it was
// given to the running copy (FileHandOver) and ends with exit code 0, or 1 when they were not
// taken), creates the private data folder, and shows the main window, with the files given on the
// command line offered to its list, until it is closed.
// When the main window goes, the convert page abandons a batch still running and waits, bounded,
// for its worker, so no office or Ghostscript process outlives the program.
class CZartaAllToPDFApp {
public:
    static constexpr const char* lockName = ProductNames::program.data();

    // Runs the program; returns its exit code.
    static int run(int argc, char** argv);

    // The single-copy lock's path for a runtime folder.
    static QString lockPath(const QString& runtimeFolder);

    // What --help prints; also the source of the manual page.
    static QString help();

    // The files named by the command line's arguments (those after the program's name, with
    // Qt's own options already taken out), made absolute against the working folder; "--" ends
    // the options. An option the program does not know is put in `unknownOption` (left as it is
    // otherwise) and is not a file.
    static QStringList filesFromArguments(const QStringList& arguments, QString& unknownOption);

    // Hands files to the convert page's list as a drop does (same checks and messages), once the
    // event loop runs, so any message box shows over the window.
    static void addFiles(CZartaAllToPDFDlg& window, const QStringList& files);
};

} // namespace zarta::desktop
