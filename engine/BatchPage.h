#pragma once

#include "engine/BatchSummary.h"
#include "engine/FileReport.h"

#include <string>

namespace zarta {

// The page a batch works for: where its files and destination come from, who answers the
// overwrite question, and who hears what the batch came to. The desktop's convert page turns the
// events into its progress bar, finish-dialog list, status line and end-of-batch steps; the
// command line into lines on the terminal; the add-in's one-document conversion into its result.
//
// Every member is called on the batch worker's thread only, one call at a time. An
// implementation carries each call out where its page lives (on the user-interface thread) and
// returns when it is done; it never needs the worker to make progress meanwhile. Once the batch
// has been abandoned the worker calls nothing here any more; a call already under way may throw
// BatchAbandoned instead of acting.
//
// Order: batchStarted(); then, for a list with files, fileAt() and fileStarting() of each file
// in list order as it is taken on (destinationFolder() and destinationSettled() around the
// first), with each file's fileReported() in list order, at most one askReplace() between them;
// batchFinished() last. A file's fileStarting() may come before the earlier files' reports.
class BatchPage {
public:
    virtual ~BatchPage() = default;

    // What fileCount() answers for a list that is read as the batch goes, whose length is known
    // only once it has been read to its end.
    static constexpr int unknownCount = -1;

    // The file list, read by index. Not changed by the page while a batch runs.
    virtual int fileCount() = 0;
    virtual std::string fileAt(int index) = 0;
    // Whether the list holds a file at index. Asked only when fileCount() is unknownCount: for
    // index 0, 1, 2, ... in turn, each before that file's fileAt(), until it answers false. It
    // may wait for more of the list to arrive. The files' reports then carry unknownCount as
    // their count, and the summary the number of files there were.
    virtual bool hasFileAt(int index) { return index < fileCount(); }
    // Whether hasFileAt(index) would answer without waiting: the file, or the list's end, has
    // arrived. Asked before hasFileAt(index); while it says no, the batch finishes and reports
    // the files under way, so that a list arriving slowly does not hold back what is done.
    virtual bool fileArrived(int index) {
        static_cast<void>(index);
        return true;
    }
    // The folder below destinationFolder() that the PDF of the file at index goes to, ending in
    // a separator (empty: the destination itself); asked after fileAt(index), before the PDF is
    // looked for there. The page makes sure it exists.
    virtual std::string outputSubfolder(int index) {
        static_cast<void>(index);
        return std::string();
    }

    // The folder the PDFs go to, read when the first file is taken on.
    virtual std::string destinationFolder() = 0;
    // The same folder with a trailing separator, as the PDFs' paths are formed from it; told
    // once, before the first file's report.
    virtual void destinationSettled(const std::string& folder) { static_cast<void>(folder); }

    // Asks whether an existing output file may be replaced; outputPath is its full path.
    virtual bool askReplace(const std::string& outputPath) = 0;
    // Whether existing output files are replaced without a question (the user chose so before
    // the batch). askReplace() is then not called, and a file whose PDF exists is converted
    // like any other, without waiting for the earlier files' outcomes to be shown first.
    virtual bool replacesWithoutAsking() { return false; }

    // The batch has begun (before the pause that lets the page show its running state).
    virtual void batchStarted() {}
    // A file is taken on, right after fileAt(index); the earlier files' reports may still be to
    // come. Files an earlier failure kept from being started are read with fileAt() but not
    // told here.
    virtual void fileStarting(int index, int count, const std::string& sourcePath) {
        static_cast<void>(index);
        static_cast<void>(count);
        static_cast<void>(sourcePath);
    }
    // What became of one file; in list order, one per file.
    virtual void fileReported(const FileReport& report) = 0;
    // The batch is over: every file was reported (or the options were refused).
    virtual void batchFinished(const BatchSummary& summary) = 0;
};

} // namespace zarta
