#pragma once

#include "addin/dialog/ConvertDialogServices.h"
#include "engine/QuietPrintWatch.h"
#include "engine/WordToPdfConverter.h"
#include "tests/support/FakeConversion.h"
#include "tests/support/RecordingWord.h"

#include <mutex>
#include <string>
#include <vector>

// The add-in dialog's conversion with the recording word processor and the fake PDF stage (which
// can keep a run waiting), recording the installation folder each run was made with.
class FakeDialogServices : public zarta::addin::ConvertDialogServices {
public:
    explicit FakeDialogServices(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

    std::unique_ptr<zarta::FileConverter> makeConverter(zarta::UserPrompts& prompts,
                                                        const std::string& installFolder) override {
        {
            const std::lock_guard lock(mutex_);
            installFolders_.push_back(installFolder);
        }
        auto converter =
            std::make_unique<zarta::WordToPdfConverter>(word, pdf, prompts, watch_, dataFolder_);
        converter->setAskForPasswords(false);
        converter->setPrintPollInterval(std::chrono::milliseconds(1));
        return converter;
    }
    std::string dataFolder() const override { return dataFolder_; }

    std::vector<std::string> installFolders() const {
        const std::lock_guard lock(mutex_);
        return installFolders_;
    }

    RecordingWord word;
    FakePdfStage pdf;

private:
    std::string dataFolder_;
    zarta::QuietPrintWatch watch_;
    mutable std::mutex mutex_;
    std::vector<std::string> installFolders_;
};
