#include "app/desktop/PagePrintWatch.h"

#include "app/desktop/CConvertDlg.h"
#include "app/desktop/GuiThreadCall.h"

namespace zarta::desktop {

void PagePrintWatch::start() {
    link_.post([page = &page_] { page->startPrintWatch(); });
}

void PagePrintWatch::stop() {
    link_.post([page = &page_] { page->stopPrintWatch(); });
}

} // namespace zarta::desktop
