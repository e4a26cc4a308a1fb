#pragma once

#include "engine/BatchPage.h"

namespace zarta::ui {
class GuiThreadCall;
} // namespace zarta::ui

namespace zarta::desktop {

class CConvertDlg;

// The batch worker's view of the convert page: every call is carried out on the user-interface
// thread through the batch's link and blocks the worker until it is done. Paths travel in the
// file system's encoding.
//
// The worker's events become the page's steps: the batch's start sets the page converting; a
// converted file steps the progress bar to its place and adds its PDF to the finish dialog's
// list, a kept one only steps the bar; the batch's end empties the list, stops the status
// animation, fills the bar, clears converting and the list's busy flag, writes "Complete!" (the
// finish dialog holds a PDF) or "Stoped", enables editing, resets the convert button and arms
// the finish timer, in that order.
//
// Thread: called on the worker thread. The page and the link outlive every call.
class GuiBatchPage : public BatchPage {
public:
    GuiBatchPage(CConvertDlg& page, ui::GuiThreadCall& link) : page_(page), link_(link) {}

    int fileCount() override;
    std::string fileAt(int index) override;
    std::string destinationFolder() override;
    void destinationSettled(const std::string& folder) override;
    bool askReplace(const std::string& outputPath) override;
    void batchStarted() override;
    void fileReported(const FileReport& report) override;
    void batchFinished(const BatchSummary& summary) override;

private:
    CConvertDlg& page_;
    ui::GuiThreadCall& link_;
};

} // namespace zarta::desktop
