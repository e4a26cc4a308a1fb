#include "addin/dialog/OfficeDialogServices.h"

#include "engine/GhostscriptStage.h"
#include "engine/QuietPrintWatch.h"
#include "engine/WordToPdfConverter.h"
#include "platform/office/OfficeApplicationFactory.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"

namespace zarta::addin {

namespace {

OfficeSettings officeSettings(const std::string& dataFolder) {
    OfficeSettings settings;
    settings.profileRoot = dataFolder + "/office";
    return settings;
}

// Everything one run converts with, owned together so that the run's thread destroys it in
// one piece: the converter first, then the office and the Ghostscript stage it used.
class OfficeRunConverter : public FileConverter {
public:
    OfficeRunConverter(const std::string& dataFolder, const std::string& installFolder,
                       UserPrompts& prompts)
        : locator_(installFolder),
          ghostscript_(
              runner_, [this] { return locator_.locate(); }, securityCheck_),
          word_(officeSettings(dataFolder)),
          converter_(word_, ghostscript_, prompts, printWatch_, dataFolder) {
        converter_.setAskForPasswords(false);
    }

    FileOutcome convert(const std::string& sourcePath, const std::string& outputPath,
                        const ConversionOptions& options, BatchControl& control) override {
        return converter_.convert(sourcePath, outputPath, options, control);
    }

private:
    PosixProcessRunner runner_;
    const GhostscriptLocator locator_;
    const QpdfSecurityCheck securityCheck_;
    GhostscriptStage ghostscript_;
    OfficeApplicationFactory word_;
    QuietPrintWatch printWatch_;
    WordToPdfConverter converter_;
};

} // namespace

OfficeDialogServices::OfficeDialogServices(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)) {}

std::unique_ptr<FileConverter>
OfficeDialogServices::makeConverter(UserPrompts& prompts, const std::string& installFolder) {
    return std::make_unique<OfficeRunConverter>(dataFolder_, installFolder, prompts);
}

} // namespace zarta::addin
