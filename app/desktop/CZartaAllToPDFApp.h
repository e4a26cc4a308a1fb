#pragma once

#include "engine/ProductNames.h"

#include <QString>

namespace zarta::desktop {

// The program's start-up: lets only one copy run per user (a lock file named after the program
// in the user's runtime folder; a second copy ends at once, silently, with exit code 0),
// creates the private data folder, and shows the main window until it is closed. When the main
// window goes, the convert page abandons a batch still running and waits, bounded, for its
// worker, so no office or Ghostscript process outlives the program.
class CZartaAllToPDFApp {
public:
    static constexpr const char* lockName = ProductNames::program.data();

    // Runs the program; returns its exit code.
    static int run(int argc, char** argv);

    // The single-copy lock's path for a runtime folder.
    static QString lockPath(const QString& runtimeFolder);
};

} // namespace zarta::desktop
