#include "tests/support/FakeConversion.h"

#include "engine/WordToPdfConverter.h"

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
