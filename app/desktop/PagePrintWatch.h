#pragma once

#include "engine/PrintWatch.h"

namespace zarta::desktop {

class CConvertDlg;
class GuiThreadCall;

// Starts and stops the convert page's print-watch timer from the worker, without waiting: the
// timer's handler answers the word processor's question boxes on the user-interface thread.
//
// Thread: start() and stop() on the worker thread; neither throws nor blocks. The page and the
// link outlive the watch.
class PagePrintWatch : public PrintWatch {
public:
    PagePrintWatch(CConvertDlg& page, GuiThreadCall& link) : page_(page), link_(link) {}

    void start() override;
    void stop() override;

private:
    CConvertDlg& page_;
    GuiThreadCall& link_;
};

} // namespace zarta::desktop
