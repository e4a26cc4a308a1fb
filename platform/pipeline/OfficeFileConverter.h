#pragma once

#include "engine/FileConverter.h"
#include "engine/GhostscriptInterpreterStage.h"
#include "engine/RoutedPdfStage.h"
#include "engine/WordToPdfConverter.h"
#include "platform/office/OfficeApplicationFactory.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/pdf/QpdfSecurityStage.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"

#include <string>

namespace zarta {

// The program's real per-file conversion, owned in one piece so that the thread that converts
// destroys it in one piece: the engine's converter first, then the LibreOffice provider (one
// office kept warm while the object lives, its profile under the data folder's "office") and
// the Ghostscript stage (one Ghostscript interpreter kept for the batch, its folder under the
// data folder; Ghostscript found in the install folder, when given and holding one, else on the
// search path) it used. Both end when the object is destroyed. The PDF stage is routed (see
// RoutedPdfStage): the structure-keeping route and AES encryption finish the PDF with qpdf.
//
// Thread: constructed anywhere, then used on one converting thread at a time and destroyed on
// the batch's thread once that is done. The prompts and print watch must outlive the object.
class OfficeFileConverter : public FileConverter {
public:
    OfficeFileConverter(const std::string& dataFolder, const std::string& installFolder,
                        UserPrompts& prompts, PrintWatch& printWatch);

    // Whether a protected document leads to the password prompt (see WordToPdfConverter).
    void setAskForPasswords(bool ask) { converter_.setAskForPasswords(ask); }

    // The install folder whose Ghostscript the next PDF part prefers (empty: the search path's).
    // Call on the thread that runs the PDF parts, before the one it is for: only they read it. A
    // PDF part that finds another Ghostscript than the kept interpreter's replaces that one.
    void setInstallFolder(std::string folder) { installFolder_ = std::move(folder); }

    // The office provider, for what it says about starting offices (its last failure, whether
    // they run without network).
    const OfficeApplicationFactory& wordProcessor() const { return word_; }

    // Starts the office now, if it does not run, so that the next file finds it ready. Throws
    // BatchAbandoned when the control is abandoned meanwhile; false when it could not be started
    // (wordProcessor().lastFailure() says why).
    bool warmUp(BatchControl& control);

    FileOutcome convert(const std::string& sourcePath, const std::string& outputPath,
                        const ConversionOptions& options, BatchControl& control) override;
    Started start(const std::string& sourcePath, const std::string& outputPath,
                  const ConversionOptions& options, BatchControl& control,
                  const std::function<void()>& beforeAsking) override;

private:
    PosixProcessRunner runner_;
    std::string installFolder_;
    const QpdfSecurityCheck securityCheck_;
    GhostscriptInterpreterStage ghostscript_;
    QpdfSecurityStage finishing_;
    RoutedPdfStage pdf_;
    OfficeApplicationFactory word_;
    WordToPdfConverter converter_;
};

} // namespace zarta
