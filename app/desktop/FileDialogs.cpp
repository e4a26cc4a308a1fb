#include "app/desktop/FileDialogs.h"

#include "app/desktop/QtFileDialogs.h"

namespace zarta::desktop {

namespace {

FileDialogs* installed = nullptr;

} // namespace

FileDialogs& FileDialogs::current() {
    static QtFileDialogs real;
    return installed != nullptr ? *installed : real;
}

void FileDialogs::install(FileDialogs* dialogs) {
    installed = dialogs;
}

} // namespace zarta::desktop
