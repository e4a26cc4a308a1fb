#pragma once

#include "engine/PdfStage.h"

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <vector>

class RecordingWord;

// A PDF stage for tests of the Word stage and the batch, scripted per document. A run records
// its job and the print file's content as it found them, notes its start in the word
// processor's log when given one ("pdf stage a.doc"), leaves a partial file at the output path,
// runs `before` (which may note, wait at a safe point or throw, as a failing Ghostscript
// would), fails for the documents in `failing` with Ghostscript's message for a failed run, and
// otherwise writes pdfText(job) and notes "pdf written a.doc".
//
// Thread: runs on whatever thread calls writePdf; `running` counts the runs under way.
// Configure before the batch starts; read jobs and printFileContent once the runs have ended.
class ScriptedPdfStage : public zarta::PdfStage {
public:
    explicit ScriptedPdfStage(RecordingWord* log = nullptr) : log_(log) {}

    std::function<void(const Job&, zarta::BatchControl&)> before;
    std::set<std::string> failing; // source paths
    std::function<std::string(const Job&)> pdfText = [](const Job& job) {
        return "%PDF-1.4 " + job.sourcePath;
    };

    std::atomic<int> running{0};
    std::vector<Job> jobs;
    std::string printFileContent; // of the last run

    void writePdf(const Job& job, const zarta::ConversionOptions& options,
                  zarta::BatchControl& control) override;

private:
    RecordingWord* log_;
};
