#pragma once

#include "app/desktop/ConversionServices.h"
#include "engine/PdfStage.h"
#include "tests/support/RecordingWord.h"

#include <QStringList>

#include <atomic>
#include <mutex>
#include <string>

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

// The desktop program's conversion with the recording word processor and the fake PDF stage.
class FakeConversion : public zarta::desktop::ConversionServices {
public:
    explicit FakeConversion(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

    std::unique_ptr<zarta::FileConverter> makeConverter(zarta::UserPrompts& prompts,
                                                        zarta::PrintWatch& printWatch) override;
    std::string dataFolder() const override { return dataFolder_; }

    // The documents the word processor opened, in order (retries included).
    QStringList openedDocuments() const;

    RecordingWord word;
    FakePdfStage pdf;

private:
    std::string dataFolder_;
};
