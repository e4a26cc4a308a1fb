#include "app/desktop/PagePrintWatch.h"

#include "app/desktop/CConvertDlg.h"
#include "app/ui/GuiThreadCall.h"

namespace zarta::desktop {

void PagePrintWatch::start() {
    std::lock_guard lock(mutex_);
    if (printing_++ == 0) {
        link_.post([page = &page_] { page->startPrintWatch(); });
    }
}

void PagePrintWatch::stop() {
    std::lock_guard lock(mutex_);
    if (--printing_ == 0) {
        link_.post([page = &page_] { page->stopPrintWatch(); });
    }
}

} // namespace zarta::desktop
