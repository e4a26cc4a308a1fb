// Starts an office with the profile folder given as its argument, writes the office's process
// id on standard output, and then waits to be killed: the program a test kills mid-run.
#include "engine/BatchControl.h"
#include "platform/office/OfficeKeeper.h"

#include <cstdio>
#include <exception>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PROFILE-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        zarta::OfficeSettings settings;
        settings.profileRoot = argv[1];
        zarta::OfficeKeeper keeper(settings);
        zarta::BatchControl control;
        const auto lease = keeper.acquire(control);
        std::printf("%d\n", keeper.statistics().officePid);
        std::fflush(stdout);
        for (;;) {
            ::pause();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
