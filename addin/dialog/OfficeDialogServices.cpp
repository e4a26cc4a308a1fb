#include "addin/dialog/OfficeDialogServices.h"

#include "platform/pipeline/OfficeFileConverter.h"

namespace zarta::addin {

OfficeDialogServices::OfficeDialogServices(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)) {}

std::unique_ptr<FileConverter>
OfficeDialogServices::makeConverter(UserPrompts& prompts, const std::string& installFolder) {
    auto converter =
        std::make_unique<OfficeFileConverter>(dataFolder_, installFolder, prompts, printWatch_);
    converter->setAskForPasswords(false);
    return converter;
}

} // namespace zarta::addin
