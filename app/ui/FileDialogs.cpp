#include "app/ui/FileDialogs.h"

#include "app/ui/QtFileDialogs.h"

namespace zarta::ui {

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

} // namespace zarta::ui
