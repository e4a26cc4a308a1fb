#pragma once

#include <string>

namespace zarta {

// What the batch worker uses of the convert page: the file list, the destination folder, the
// progress bar, the status line, the enabling of the page's controls, the record of produced
// files, the overwrite question and the page's timers 1 and 2.
//
// Every member is called on the worker thread only, one call at a time. An implementation
// carries each call out where the page lives (on the user-interface thread) and returns when it
// is done; it never needs the worker to make progress meanwhile. Once the batch has been
// abandoned the worker calls nothing here any more; a call already under way may throw
// BatchAbandoned instead of acting.
class BatchPage {
public:
    virtual ~BatchPage() = default;

    // The file list, read by index. Not changed by the page while a batch runs.
    virtual int fileCount() = 0;
    virtual std::string fileAt(int index) = 0;
    virtual void clearFileList() = 0;

    // The batch's destination folder, as stored in the finish dialog. The worker stores it back
    // with a trailing separator on the first file.
    virtual std::string destinationFolder() = 0;
    virtual void setDestinationFolder(const std::string& folder) = 0;

    // Sets the progress bar's position, total and filled flag together, and repaints it.
    virtual void setProgress(int position, int total, bool filled) = 0;
    virtual void setStatus(const std::string& text) = 0;

    virtual void setConverting(bool converting) = 0;
    virtual void setListBusy(bool busy) = 0;

    // Enables the three option pages, "Add File(s)", "Browse" and the destination edit, which
    // the page disabled at "Convert". "Remove" and "Remove All" stay as they are.
    virtual void enableEditing() = 0;
    // Sets the "Convert"/"Stop" button's text back to "Convert" and disables it.
    virtual void resetConvertButton() = 0;

    // The finish dialog's list of produced PDF names (no folder).
    virtual void appendProducedFile(const std::string& name) = 0;
    virtual int producedFileCount() = 0;

    // Asks whether an existing output file may be replaced; outputPath is its full path.
    virtual bool askReplace(const std::string& outputPath) = 0;
    // Whether existing output files are replaced without a question (the user chose so before
    // the batch). askReplace() is then not called, and a file whose PDF exists is converted
    // like any other, without waiting for the earlier files' outcomes to be shown first.
    virtual bool replacesWithoutAsking() { return false; }

    // Timer 1 animates the status line during the batch; timer 2 brings up the finish dialog
    // one second after the batch.
    virtual void stopStatusAnimation() = 0;
    virtual void startFinishTimer() = 0;
};

} // namespace zarta
