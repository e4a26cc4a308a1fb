#include "app/desktop/OfficeConversionServices.h"

#include "engine/GhostscriptStage.h"
#include "engine/WordToPdfConverter.h"
#include "platform/office/OfficeApplicationFactory.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"

namespace zarta::desktop {

namespace {

OfficeSettings officeSettings(const std::string& dataFolder) {
    OfficeSettings settings;
    settings.profileRoot = dataFolder + "/office";
    return settings;
}

// Everything one batch converts with, owned together so that the batch's thread destroys it
// in one piece: the converter first, then the office and the Ghostscript stage it used.
class OfficeBatchConverter : public FileConverter {
public:
    OfficeBatchConverter(const std::string& dataFolder, UserPrompts& prompts,
                         PrintWatch& printWatch)
        : ghostscript_(
              runner_, [this] { return locator_.locate(); }, securityCheck_),
          word_(officeSettings(dataFolder)),
          converter_(word_, ghostscript_, prompts, printWatch, dataFolder) {}

    FileOutcome convert(const std::string& sourcePath, const std::string& outputPath,
                        const ConversionOptions& options, BatchControl& control) override {
        return converter_.convert(sourcePath, outputPath, options, control);
    }

    Started start(const std::string& sourcePath, const std::string& outputPath,
                  const ConversionOptions& options, BatchControl& control,
                  const std::function<void()>& beforeAsking) override {
        return converter_.start(sourcePath, outputPath, options, control, beforeAsking);
    }

private:
    PosixProcessRunner runner_;
    const GhostscriptLocator locator_;
    const QpdfSecurityCheck securityCheck_;
    GhostscriptStage ghostscript_;
    OfficeApplicationFactory word_;
    WordToPdfConverter converter_;
};

} // namespace

OfficeConversionServices::OfficeConversionServices(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)) {}

std::unique_ptr<FileConverter> OfficeConversionServices::makeConverter(UserPrompts& prompts,
                                                                       PrintWatch& printWatch) {
    return std::make_unique<OfficeBatchConverter>(dataFolder_, prompts, printWatch);
}

} // namespace zarta::desktop
