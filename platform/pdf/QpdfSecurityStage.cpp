#include "platform/pdf/QpdfSecurityStage.h"

#include "engine/BatchControl.h"
#include "engine/ConversionError.h"
#include "engine/ConversionOptions.h"
#include "engine/GhostscriptCommand.h"
#include "engine/GhostscriptReport.h"
#include "engine/PdfSecurityCheck.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <filesystem>

namespace zarta {

namespace {

// Sets the writer's encryption for the options. The actions map to the permission bits as the
// Ghostscript stage sets them: printing 3 (and 12), changing 4 (and assembling 11), copying 5,
// form filling 6 (and 9); extraction for accessibility (10) stays allowed so that screen
// readers can read every protected PDF.
void encrypt(QPDFWriter& writer, const ConversionOptions& options) {
    const std::string user = options.passesUserPassword() ? options.userPassword : std::string();
    const char* userPassword = user.c_str();
    const char* ownerPassword = options.ownerPassword.c_str();
    const qpdf_r3_print_e print = options.printing ? qpdf_r3p_full : qpdf_r3p_none;
    const bool accessibility = true;
    switch (options.encryptionLevel) {
    case EncryptionLevel::Low:
        writer.setR2EncryptionParametersInsecure(userPassword, ownerPassword, options.printing,
                                                 options.documentChanging, options.contentCopying,
                                                 options.formFilling);
        break;
    case EncryptionLevel::High:
        writer.setR3EncryptionParametersInsecure(userPassword, ownerPassword, accessibility,
                                                 options.contentCopying, options.documentChanging,
                                                 options.formFilling, options.formFilling,
                                                 options.documentChanging, print);
        break;
    case EncryptionLevel::Aes128:
        writer.setR4EncryptionParametersInsecure(userPassword, ownerPassword, accessibility,
                                                 options.contentCopying, options.documentChanging,
                                                 options.formFilling, options.formFilling,
                                                 options.documentChanging, print, true, true);
        break;
    case EncryptionLevel::Aes256:
        writer.setR6EncryptionParameters(userPassword, ownerPassword, accessibility,
                                         options.contentCopying, options.documentChanging,
                                         options.formFilling, options.formFilling,
                                         options.documentChanging, print, true);
        break;
    }
}

} // namespace

void QpdfSecurityStage::writePdf(const Job& job, const ConversionOptions& options,
                                 BatchControl& control) {
    control.checkpoint();
    const std::string prefix = GhostscriptReport::failurePrefix(job.sourcePath);
    if (!GhostscriptReport::isNonEmptyFile(job.printFile)) {
        throw ConversionError(prefix + "the PDF \"" + job.printFile + "\" is missing or empty.");
    }
    std::error_code ignored;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(job.printFile.c_str());
        QPDFWriter writer(pdf, job.outputPath.c_str());
        // Object streams and compressed cross-reference tables as the PDF had them.
        writer.setObjectStreamMode(qpdf_o_preserve);
        if (options.securityApplies()) {
            encrypt(writer, options);
        }
        writer.write();
    } catch (const std::exception& error) {
        std::filesystem::remove(job.outputPath, ignored);
        throw ConversionError(prefix + "the PDF could not be finished: " + error.what());
    }
    control.checkpoint();
    if (!options.securityApplies()) {
        return;
    }
    PdfSecurityCheck::Expectation expected;
    expected.level = options.encryptionLevel;
    expected.ownerPassword = options.ownerPassword;
    if (options.passesUserPassword()) {
        expected.userPassword = options.userPassword;
    }
    expected.permissions = GhostscriptCommand::permissionValue(options);
    try {
        check_.verify(job.outputPath, expected);
    } catch (const PdfSecurityCheck::Mismatch& mismatch) {
        std::filesystem::remove(job.outputPath, ignored);
        throw ConversionError(prefix + "the PDF's security is not as chosen: " + mismatch.what());
    }
}

} // namespace zarta
