#pragma once

#include "engine/ConverterFactory.h"
#include "tests/support/FakePdfStage.h"
#include "tests/support/RecordingWord.h"

#include <QStringList>

#include <mutex>
#include <string>
#include <vector>

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
