#include "tests/support/FakeConversion.h"

#include "engine/BatchControl.h"
#include "engine/WordToPdfConverter.h"

#include <fstream>

void FakePdfStage::writePdf(const Job& job, const zarta::ConversionOptions&,
                            zarta::BatchControl& control) {
    const int number = started++;
    control.sleepFor(std::chrono::milliseconds(workMilliseconds));
    while (holdOpen && number >= passFirst) {
        control.sleepFor(std::chrono::milliseconds(5));
    }
    std::ofstream(job.outputPath, std::ios::binary) << "%PDF-1.4\n%%EOF\n";
}

std::vector<std::unique_ptr<zarta::FileConverter>>
FakeConversion::makeConverters(const Request& request, zarta::UserPrompts& prompts,
                               zarta::PrintWatch& printWatch) {
    {
        const std::lock_guard lock(mutex_);
        installFolders_.push_back(request.installFolder);
    }
    auto converter =
        std::make_unique<zarta::WordToPdfConverter>(word, pdf, prompts, printWatch, dataFolder_);
    converter->setAskForPasswords(request.askForPasswords);
    converter->setPrintPollInterval(std::chrono::milliseconds(1));
    std::vector<std::unique_ptr<zarta::FileConverter>> converters;
    converters.push_back(std::move(converter));
    return converters;
}

std::vector<std::string> FakeConversion::installFolders() const {
    const std::lock_guard lock(mutex_);
    return installFolders_;
}

QStringList FakeConversion::openedDocuments() const {
    QStringList opened;
    const std::string prefix = "Open(TEXT \"";
    for (const std::string& call : word.calls()) {
        if (call.rfind(prefix, 0) == 0) {
            const auto end = call.find('"', prefix.size());
            opened << QString::fromStdString(call.substr(prefix.size(), end - prefix.size()));
        }
    }
    return opened;
}
