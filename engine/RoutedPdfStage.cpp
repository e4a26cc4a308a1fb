#include "engine/RoutedPdfStage.h"

#include "engine/ConversionOptions.h"

#include <filesystem>

namespace zarta {

void RoutedPdfStage::writePdf(const Job& job, const ConversionOptions& options,
                              BatchControl& control) {
    if (options.keepsStructure()) {
        finishing_.writePdf(job, options, control);
        return;
    }
    if (!options.securityApplies() || !usesAes(options.encryptionLevel)) {
        ghostscript_.writePdf(job, options, control);
        return;
    }
    // Ghostscript writes RC4 only: it writes the PDF unencrypted, privately, and the finishing
    // stage encrypts it with AES.
    ConversionOptions withoutSecurity = options;
    withoutSecurity.securityEnabled = false;
    Job unencrypted = job;
    unencrypted.outputPath = (std::filesystem::path(job.workFolder) / unencryptedFileName).string();
    struct Remove {
        const std::string& path;
        ~Remove() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    } remove{unencrypted.outputPath};
    ghostscript_.writePdf(unencrypted, withoutSecurity, control);
    Job encrypted = job;
    encrypted.printFile = unencrypted.outputPath;
    finishing_.writePdf(encrypted, options, control);
}

} // namespace zarta
