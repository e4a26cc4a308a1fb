#include "engine/GhostscriptStage.h"

#include "engine/ConversionOptions.h"
#include "engine/GhostscriptCommand.h"
#include "engine/GhostscriptError.h"
#include "engine/GhostscriptReport.h"
#include "engine/PdfSecurityCheck.h"
#include "engine/PdfmarkFile.h"
#include "engine/PrivateFile.h"
#include "engine/ProcessRunner.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

constexpr const char* distillerParamsName = "distillerparams";
constexpr const char* pdfmarksName = "pdfmarks";
// Ghostscript reads its password switches from here: the runner's in-memory standard input.
constexpr const char* passwordSource = "/dev/stdin";

// The run's parameter files, created inside the open work folder and removed however the run
// ends.
class ParameterFiles {
public:
    explicit ParameterFiles(const std::string& folder)
        : folder_(folder),
          fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) {
        if (fd_ < 0) {
            throw std::runtime_error("couldn't open the work folder \"" + folder +
                                     "\": " + std::strerror(errno));
        }
    }
    ParameterFiles(const ParameterFiles&) = delete;
    ParameterFiles& operator=(const ParameterFiles&) = delete;
    ~ParameterFiles() {
        for (const char* name : {distillerParamsName, pdfmarksName}) {
            ::unlinkat(fd_, name, 0);
        }
        ::close(fd_);
    }

    std::string path(const char* name) const { return folder_ + "/" + name; }

    // Writes text as the whole content of a new file only this user can read, never following
    // a link planted at that name.
    void write(const char* name, std::string_view text) const {
        PrivateFile::create(fd_, name, text);
    }

private:
    std::string folder_;
    int fd_;
};

} // namespace

GhostscriptStage::GhostscriptStage(ProcessRunner& runner, Locator locate,
                                   const PdfSecurityCheck& check)
    : runner_(runner), locate_(std::move(locate)), check_(check) {}

void GhostscriptStage::writePdf(const Job& job, const ConversionOptions& options,
                                BatchControl& control) {
    // Whatever Ghostscript left there may be a partial or unchecked PDF.
    GhostscriptReport::removeOnFailure(job.outputPath, [&] { run(job, options, control); });
}

void GhostscriptStage::run(const Job& job, const ConversionOptions& options,
                           BatchControl& control) {
    const std::string prefix = GhostscriptReport::failurePrefix(job.sourcePath);

    const std::string executable = GhostscriptReport::programFor(locate_, job.printFile, prefix);

    std::vector<std::string> arguments;
    // Ghostscript's own temporary files go into the work folder too, so that even a run that is
    // killed leaves nothing behind outside it.
    ProcessRunner::Settings settings = GhostscriptCommand::runSettings(job.workFolder);
    settings.timeLimit = timeLimit_;
    std::optional<ParameterFiles> files;
    std::optional<GhostscriptCommand> command;
    try {
        files.emplace(job.workFolder);
        command.emplace(options,
                        GhostscriptCommand::Paths{executable, job.printFile,
                                                  files->path(pdfmarksName), job.outputPath});
        const PdfmarkFile parameters(options);
        files->write(distillerParamsName, parameters.distillerParamsText());
        files->write(pdfmarksName, parameters.docInfoText());
        if (command->encrypts()) {
            settings.standardInput = command->passwordFileText();
        }
        arguments = command->arguments({files->path(distillerParamsName), passwordSource});
    } catch (const std::exception& error) {
        throw GhostscriptError(prefix + error.what());
    }

    ProcessRunner::Result result;
    try {
        result = runner_.run(arguments, settings, control);
    } catch (const ProcessRunner::StartError& error) {
        throw GhostscriptError(prefix + GhostscriptReport::notStarted(executable, error.what()));
    }

    if (result.timedOut) {
        throw GhostscriptError(prefix + GhostscriptReport::timedOut(timeLimit_));
    }
    if (!result.succeeded()) {
        const std::string line = GhostscriptError::lastErrorLine(result.errorOutput, result.output);
        throw GhostscriptError(
            prefix + GhostscriptReport::exitDescription(result.exitStatus, result.signal) +
                (line.empty() ? "." : ": " + line),
            line);
    }
    if (!GhostscriptReport::isNonEmptyFile(job.outputPath)) {
        throw GhostscriptError(prefix + "Ghostscript produced no PDF.");
    }
    if (command->encrypts()) {
        GhostscriptReport::verifySecurity(check_, job.outputPath, options, *command, prefix);
    }
}

} // namespace zarta
