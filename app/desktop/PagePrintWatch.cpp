#include "PagePrintWatch.h"

#include "CConvertDlg.h"
#include "GuiThreadCall.h"

namespace zarta::desktop {

void PagePrintWatch::start() {
    link_.post([page = &page_] { page->startPrintWatch(); });
}

void PagePrintWatch::stop() {
    link_.post([page = &page_] { page->stopPrintWatch(); });
}

} // namespace zarta::desktop
