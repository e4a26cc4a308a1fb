#include "engine/GhostscriptReport.h"

#include "engine/ConversionOptions.h"
#include "engine/GhostscriptCommand.h"
#include "engine/GhostscriptError.h"
#include "engine/Messages.h"

#include <exception>
#include <sys/stat.h>
#include <unistd.h>

namespace zarta {

std::string GhostscriptReport::failurePrefix(const std::string& document) {
    return Messages::fill(Messages::couldNotConvertToPdf, document);
}

std::string GhostscriptReport::exitDescription(int exitStatus, int signal) {
    if (signal != 0) {
        return "Ghostscript was ended by signal " + std::to_string(signal);
    }
    return "Ghostscript failed (exit status " + std::to_string(exitStatus) + ")";
}

namespace {

// A time limit as the user reads it: "10 minutes", "1 second", "500 ms".
std::string durationText(std::chrono::milliseconds limit) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit).count();
    if (seconds >= 60 && seconds % 60 == 0) {
        const auto minutes = seconds / 60;
        return std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
    }
    if (seconds >= 1) {
        return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
    }
    return std::to_string(limit.count()) + " ms";
}

} // namespace

std::string GhostscriptReport::timedOut(std::chrono::milliseconds limit) {
    return "Ghostscript did not finish within " + durationText(limit) + " and was ended.";
}

std::string GhostscriptReport::notStarted(const std::string& executable, const std::string& why) {
    return "Ghostscript (\"" + executable + "\") could not be started: " + why;
}

void GhostscriptReport::removeOnFailure(const std::string& outputPath,
                                        const std::function<void()>& write) {
    try {
        write();
    } catch (...) {
        ::unlink(outputPath.c_str());
        throw;
    }
}

bool GhostscriptReport::isNonEmptyFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

std::string GhostscriptReport::programFor(const std::function<std::string()>& locate,
                                          const std::string& printFile, const std::string& prefix) {
    std::string program;
    try {
        program = locate();
    } catch (const std::exception& error) {
        throw GhostscriptError(prefix + error.what());
    }
    if (!isNonEmptyFile(printFile)) {
        throw GhostscriptError(prefix + "the print file \"" + printFile +
                               "\" is missing or empty.");
    }
    return program;
}

void GhostscriptReport::verifySecurity(const PdfSecurityCheck& check, const std::string& pdfPath,
                                       const ConversionOptions& options,
                                       const GhostscriptCommand& command,
                                       const std::string& prefix) {
    PdfSecurityCheck::Expectation expected;
    expected.level = options.encryptionLevel;
    expected.ownerPassword = options.ownerPassword;
    if (options.passesUserPassword()) {
        expected.userPassword = options.userPassword;
    }
    expected.permissions = command.permissionValue();
    try {
        check.verify(pdfPath, expected);
    } catch (const PdfSecurityCheck::Mismatch& mismatch) {
        throw GhostscriptError(prefix + "the PDF's security is not as chosen: " + mismatch.what());
    }
}
} // namespace zarta
