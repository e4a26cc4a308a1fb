#include "app/ui/Shell.h"

#include "app/ui/DesktopShell.h"

namespace zarta::ui {

namespace {

Shell* installed = nullptr;

} // namespace

Shell& Shell::current() {
    static DesktopShell real;
    return installed != nullptr ? *installed : real;
}

void Shell::install(Shell* shell) {
    installed = shell;
}

} // namespace zarta::ui
