#include "app/desktop/OfficeConversionServices.h"

#include "platform/office/OfficeCount.h"
#include "platform/pipeline/OfficeFileConverter.h"

namespace zarta::desktop {

OfficeConversionServices::OfficeConversionServices(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)) {}

std::unique_ptr<FileConverter> OfficeConversionServices::makeConverter(UserPrompts& prompts,
                                                                       PrintWatch& printWatch) {
    return std::make_unique<OfficeFileConverter>(dataFolder_, std::string(), prompts, printWatch);
}

std::vector<std::unique_ptr<FileConverter>>
OfficeConversionServices::makeConverters(UserPrompts& prompts, PrintWatch& printWatch) {
    std::vector<std::unique_ptr<FileConverter>> converters;
    const int count = OfficeCount::forThisMachine();
    for (int i = 0; i < count; ++i) {
        converters.push_back(makeConverter(prompts, printWatch));
    }
    return converters;
}

} // namespace zarta::desktop
