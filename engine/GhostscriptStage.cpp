#include "GhostscriptStage.h"

#include "GhostscriptCommand.h"
#include "GhostscriptError.h"
#include "PdfmarkFile.h"
#include "ProcessRunner.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

std::string failurePrefix(const std::string& document) {
    return "Couldn't convert \"" + document + "\" to PDF: ";
}

// Writes text as the whole content of a new file only this user can read, never following a
// link planted at that name.
void writePrivateFile(const std::string& path, std::string_view text) {
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw std::runtime_error("couldn't create \"" + path + "\": " + std::strerror(errno));
    }
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            const int error = errno;
            ::close(fd);
            ::unlink(path.c_str());
            throw std::runtime_error("couldn't write \"" + path + "\": " + std::strerror(error));
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0) {
        throw std::runtime_error("couldn't write \"" + path + "\": " + std::strerror(errno));
    }
}

bool isNonEmptyFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

// Removes the run's parameter files however the run ends; the password file above all.
class ParameterFiles {
public:
    explicit ParameterFiles(const std::string& folder)
        : distillerParams(folder + "/distillerparams"), pdfmarks(folder + "/pdfmarks"),
          passwords(folder + "/gsargs") {}
    ParameterFiles(const ParameterFiles&) = delete;
    ParameterFiles& operator=(const ParameterFiles&) = delete;
    ~ParameterFiles() {
        for (const auto* path : {&passwords, &distillerParams, &pdfmarks}) {
            ::unlink(path->c_str());
        }
    }

    const std::string distillerParams;
    const std::string pdfmarks;
    const std::string passwords;
};

std::string describeExit(const ProcessRunner::Result& result) {
    if (result.signal != 0) {
        return "Ghostscript was ended by signal " + std::to_string(result.signal);
    }
    return "Ghostscript failed (exit status " + std::to_string(result.exitStatus) + ")";
}

} // namespace

GhostscriptStage::GhostscriptStage(ProcessRunner& runner, Locator locate)
    : runner_(runner), locate_(std::move(locate)) {}

void GhostscriptStage::writePdf(const Job& job, const ConversionOptions& options,
                                BatchControl& control) {
    try {
        run(job, options, control);
    } catch (...) {
        // Whatever Ghostscript left there may be a partial PDF.
        ::truncate(job.outputPath.c_str(), 0);
        throw;
    }
}

void GhostscriptStage::run(const Job& job, const ConversionOptions& options,
                           BatchControl& control) {
    const std::string prefix = failurePrefix(job.sourcePath);

    std::string executable;
    try {
        executable = locate_();
    } catch (const std::exception& error) {
        throw GhostscriptError(prefix + error.what());
    }
    // An empty print file would still give a PDF, with one blank page, reported as converted.
    if (!isNonEmptyFile(job.printFile)) {
        throw GhostscriptError(prefix + "the print file \"" + job.printFile +
                               "\" is missing or empty.");
    }

    ParameterFiles files(job.workFolder);
    const GhostscriptCommand command(options,
                                     {executable, job.printFile, files.pdfmarks, job.outputPath});
    const PdfmarkFile parameters(options);
    std::vector<std::string> arguments;
    try {
        writePrivateFile(files.distillerParams, parameters.distillerParamsText());
        writePrivateFile(files.pdfmarks, parameters.docInfoText());
        if (command.encrypts()) {
            writePrivateFile(files.passwords, command.passwordFileText());
        }
        arguments = command.arguments({files.distillerParams, files.passwords});
    } catch (const std::exception& error) {
        throw GhostscriptError(prefix + error.what());
    }

    ProcessRunner::Result result;
    try {
        // Ghostscript's own temporary files go into the work folder too, so that even a run
        // that is killed leaves nothing behind.
        result = runner_.run(arguments, {"TMPDIR=" + job.workFolder}, control);
    } catch (const ProcessRunner::StartError& error) {
        throw GhostscriptError(prefix + "Ghostscript (\"" + executable +
                               "\") could not be started: " + error.what());
    }

    if (!result.succeeded()) {
        const std::string line = GhostscriptError::lastErrorLine(result.errorOutput, result.output);
        throw GhostscriptError(prefix + describeExit(result) + (line.empty() ? "." : ": " + line),
                               line);
    }
    if (!isNonEmptyFile(job.outputPath)) {
        throw GhostscriptError(prefix + "Ghostscript produced no PDF.");
    }
}

} // namespace zarta
