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
// Thread: called on the worker thread. The page and the link outlive every call.
class GuiBatchPage : public BatchPage {
public:
    GuiBatchPage(CConvertDlg& page, ui::GuiThreadCall& link) : page_(page), link_(link) {}

    int fileCount() override;
    std::string fileAt(int index) override;
    void clearFileList() override;
    std::string destinationFolder() override;
    void setDestinationFolder(const std::string& folder) override;
    void setProgress(int position, int total, bool filled) override;
    void setStatus(const std::string& text) override;
    void setConverting(bool converting) override;
    void setListBusy(bool busy) override;
    void enableEditing() override;
    void resetConvertButton() override;
    void appendProducedFile(const std::string& name) override;
    int producedFileCount() override;
    bool askReplace(const std::string& outputPath) override;
    void stopStatusAnimation() override;
    void startFinishTimer() override;

private:
    CConvertDlg& page_;
    ui::GuiThreadCall& link_;
};

} // namespace zarta::desktop
