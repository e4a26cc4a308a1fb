#pragma once

#include "engine/PrintWatch.h"

#include <mutex>

namespace zarta::ui {
class GuiThreadCall;
} // namespace zarta::ui

namespace zarta::desktop {

class CConvertDlg;

// Starts and stops the convert page's print-watch timer from the worker, without waiting: the
// timer's handler answers the word processor's question boxes on the user-interface thread.
// With several word processors printing at once, the timer runs from the first start() to the
// stop() that ends the last printing.
//
// Thread: start() and stop() on the batch's threads, in pairs per thread; neither throws nor
// blocks for long. The page and the link outlive the watch.
class PagePrintWatch : public PrintWatch {
public:
    PagePrintWatch(CConvertDlg& page, ui::GuiThreadCall& link) : page_(page), link_(link) {}

    void start() override;
    void stop() override;

private:
    CConvertDlg& page_;
    ui::GuiThreadCall& link_;
    std::mutex mutex_; // keeps the count and the order of what is posted together
    int printing_ = 0;
};

} // namespace zarta::desktop
