#pragma once

#include "addin/dialog/ConvertDialogServices.h"
#include "engine/QuietPrintWatch.h"

#include <string>

namespace zarta::addin {

// The add-in's real conversion: per run, a LibreOffice provider that starts an office of its
// own (never the user's; its private profile lives in the data folder) and ends it with the
// run, Ghostscript (the one in the installation folder when it holds one, otherwise the first
// on the search path) run as a child process, and the engine's per-file converter over both,
// without password prompts and without watching for the office's questions (its interaction
// handler answers them).
class OfficeDialogServices : public ConvertDialogServices {
public:
    // dataFolder: the program's private data folder (work folders and the office profile).
    explicit OfficeDialogServices(std::string dataFolder);

    std::unique_ptr<FileConverter> makeConverter(UserPrompts& prompts,
                                                 const std::string& installFolder) override;
    std::string dataFolder() const override { return dataFolder_; }

private:
    std::string dataFolder_;
    QuietPrintWatch printWatch_; // shared by the runs: it keeps no state
};

} // namespace zarta::addin
