#pragma once

#include "engine/ConverterFactory.h"
#include "engine/PdfStage.h"
#include "tests/support/RecordingWord.h"

#include <QStringList>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

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

// The programs' conversion with the recording word processor and the fake PDF stage: one
// converter per request, whatever count it asks for, recording each request.
class FakeConversion : public zarta::ConverterFactory {
public:
    explicit FakeConversion(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

    std::vector<std::unique_ptr<zarta::FileConverter>>
    makeConverters(const Request& request, zarta::UserPrompts& prompts,
                   zarta::PrintWatch& printWatch) override;
    std::string dataFolder() const override { return dataFolder_; }

    // The documents the word processor opened, in order (retries included).
    QStringList openedDocuments() const;
    // The installation folder of each request, in order.
    std::vector<std::string> installFolders() const;

    RecordingWord word;
    FakePdfStage pdf;

private:
    std::string dataFolder_;
    mutable std::mutex mutex_;
    std::vector<std::string> installFolders_;
};
