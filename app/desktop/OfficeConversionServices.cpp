#include "app/desktop/OfficeConversionServices.h"

#include "app/desktop/OfficeFileConverter.h"

namespace zarta::desktop {

OfficeConversionServices::OfficeConversionServices(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)) {}

std::unique_ptr<FileConverter> OfficeConversionServices::makeConverter(UserPrompts& prompts,
                                                                       PrintWatch& printWatch) {
    return std::make_unique<OfficeFileConverter>(dataFolder_, std::string(), prompts, printWatch);
}

} // namespace zarta::desktop
