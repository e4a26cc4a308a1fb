#pragma once

#include "app/desktop/ConversionServices.h"

#include <string>

namespace zarta::desktop {

// The program's real conversion: per batch, a LibreOffice provider that keeps one office warm
// for the batch, one Ghostscript interpreter kept for the batch, and the
// engine's per-file converter over both. The office ends when the batch's converter is
// destroyed, or at once when the batch is abandoned. makeConverters() makes as many of these as
// OfficeCount chooses for this machine, each office with a profile of its own.
class OfficeConversionServices : public ConversionServices {
public:
    // dataFolder: the program's private data folder (work folders and the office profiles).
    explicit OfficeConversionServices(std::string dataFolder);

    std::unique_ptr<FileConverter> makeConverter(UserPrompts& prompts,
                                                 PrintWatch& printWatch) override;
    std::vector<std::unique_ptr<FileConverter>> makeConverters(UserPrompts& prompts,
                                                               PrintWatch& printWatch) override;
    std::string dataFolder() const override { return dataFolder_; }

private:
    std::string dataFolder_;
};

} // namespace zarta::desktop
