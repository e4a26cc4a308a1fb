#pragma once

#include "engine/PdfStage.h"

#include <atomic>

// A PDF stage that writes a small PDF-like file, and can keep a conversion waiting (at a safe
// point, as a running Ghostscript would) until the test lets it go.
class FakePdfStage : public zarta::PdfStage {
public:
    void writePdf(const Job& job, const zarta::ConversionOptions& options,
                  zarta::BatchControl& control) override;

    std::atomic<bool> holdOpen{false};
    // How many documents of a batch pass before holdOpen keeps one waiting.
    std::atomic<int> passFirst{0};
    std::atomic<int> started{0};
    // Time each PDF takes, as Ghostscript would.
    std::atomic<int> workMilliseconds{0};
};
