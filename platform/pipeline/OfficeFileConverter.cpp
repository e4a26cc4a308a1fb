#include "platform/pipeline/OfficeFileConverter.h"

namespace zarta {

namespace {

OfficeSettings officeSettings(const std::string& dataFolder) {
    OfficeSettings settings;
    settings.profileRoot = dataFolder + "/office";
    return settings;
}

} // namespace

OfficeFileConverter::OfficeFileConverter(const std::string& dataFolder,
                                         const std::string& installFolder, UserPrompts& prompts,
                                         PrintWatch& printWatch)
    : installFolder_(installFolder),
      ghostscript_(
          runner_, [this] { return GhostscriptLocator(installFolder_).locate(); }, securityCheck_,
          dataFolder),
      finishing_(securityCheck_), pdf_(ghostscript_, finishing_), word_(officeSettings(dataFolder)),
      converter_(word_, pdf_, prompts, printWatch, dataFolder) {}

bool OfficeFileConverter::warmUp(BatchControl& control) {
    return word_.create(WordToPdfConverter::progId, control) != nullptr;
}

FileOutcome OfficeFileConverter::convert(const std::string& sourcePath,
                                         const std::string& outputPath,
                                         const ConversionOptions& options, BatchControl& control) {
    return converter_.convert(sourcePath, outputPath, options, control);
}

FileConverter::Started OfficeFileConverter::start(const std::string& sourcePath,
                                                  const std::string& outputPath,
                                                  const ConversionOptions& options,
                                                  BatchControl& control,
                                                  const std::function<void()>& beforeAsking) {
    return converter_.start(sourcePath, outputPath, options, control, beforeAsking);
}

} // namespace zarta
