#include "engine/GhostscriptInterpreterStage.h"

#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/FileDescriptor.h"
#include "engine/GhostscriptCommand.h"
#include "engine/GhostscriptError.h"
#include "engine/GhostscriptReport.h"
#include "engine/PdfSecurityCheck.h"
#include "engine/PdfmarkFile.h"
#include "engine/PrivateFile.h"
#include "engine/ProcessRunner.h"
#include "engine/ProcessSession.h"
#include "engine/ProcessSessionStarter.h"
#include "engine/WorkFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <random>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace zarta {

namespace {

// The names of one job's files in the interpreter's folder, and the file the interpreter's
// device writes between jobs. The interpreter runs in that folder and is given these names
// relative to it, never the folder's path.
constexpr const char* printFileName = "job.ps";
constexpr const char* pdfName = "job.pdf";
constexpr const char* distillerParamsName = "distillerparams";
constexpr const char* pdfmarksName = "pdfmarks";
constexpr const char* idleName = "idle.pdf";

// What the interpreter prints after the marker when a job has ended.
constexpr const char* jobSucceeded = "ok";

// A PostScript string naming a file of the interpreter's folder relative to its working
// directory, which is that folder.
std::string postScriptName(const char* name) {
    return "(./" + std::string(name) + ")";
}

// A new random number per job, so that no output a document produces ahead of time (a line a
// PostScript print file prints, say) is taken for the job's report. See jobText() for what a
// PostScript job can still do with it.
std::string newMarker() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char text[40];
    std::snprintf(text, sizeof text,
                  "zarta-job-%016llx:", static_cast<unsigned long long>(generator()));
    return text;
}

// Whether the file ends as a PDF that pdfwrite has closed does: with its end-of-file marker.
// A job reports success only after the device has closed the PDF.
bool endsLikeAPdf(const WorkFolder& folder, const char* name) {
    const FileDescriptor file(
        ::openat(folder.descriptor(), name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size == 0) {
        return false;
    }
    char tail[64] = {};
    const off_t start = info.st_size > off_t(sizeof tail) ? info.st_size - off_t(sizeof tail) : 0;
    const ssize_t count = ::pread(file.get(), tail, sizeof tail, start);
    return count > 0 && std::string_view(tail, static_cast<std::size_t>(count)).find("%%EOF") !=
                            std::string_view::npos;
}

// Whether the file starts as a PDF does.
bool isPdf(const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    char start[5] = {};
    return file.valid() && ::read(file.get(), start, sizeof start) == sizeof start &&
           std::string_view(start, sizeof start) == "%PDF-";
}

// One job's files in the interpreter's folder, removed however the job ends.
class JobFiles {
public:
    explicit JobFiles(const WorkFolder& folder) : folder_(folder) { remove(); }
    JobFiles(const JobFiles&) = delete;
    JobFiles& operator=(const JobFiles&) = delete;
    ~JobFiles() { remove(); }

    // Makes the print file readable under the folder's name for it: a second link where both
    // are on one file system, else a copy.
    void bringPrintFile(const std::string& printFile) const {
        if (::linkat(AT_FDCWD, printFile.c_str(), folder_.descriptor(), printFileName, 0) == 0) {
            return;
        }
        std::filesystem::copy_file(printFile, folder_.file(printFileName));
    }

    void write(const char* name, const std::string& text) const {
        PrivateFile::create(folder_.descriptor(), name, text);
    }

    // Moves the finished PDF to path.
    void takePdf(const std::string& path) const {
        if (::renameat(folder_.descriptor(), pdfName, AT_FDCWD, path.c_str()) == 0) {
            return;
        }
        if (errno != EXDEV) {
            throw std::system_error(errno, std::generic_category(),
                                    "couldn't move the PDF to \"" + path + "\"");
        }
        std::filesystem::copy_file(folder_.file(pdfName), path,
                                   std::filesystem::copy_options::overwrite_existing);
    }

private:
    void remove() const {
        for (const char* name : {printFileName, pdfName, distillerParamsName, pdfmarksName}) {
            ::unlinkat(folder_.descriptor(), name, 0);
        }
    }

    const WorkFolder& folder_;
};

// The PostScript of one job. The job proper runs under `stopped`, so that an error ends the job
// and not the interpreter; the PDF is closed by pointing the device at another file, and the
// null device is selected until the next job. The marker line says how it went: "ok", or
// "failed" after Ghostscript's own error report.
//
// What the marker guards, and what not. A PDF print file (what the word processor prints) runs
// no PostScript of its own, so its job cannot touch the report. A PostScript print file is a
// program, and the whole job is therefore one procedure: read whole before it runs, so no part
// of it is left in the interpreter's input for the program to read; bound to the interpreter's
// operators, with the printing procedure taken as it is when the job is read, so that a program
// redefining names (`=`, `ifelse`) cannot silence or change the report; and execute-only, so
// that it cannot read the marker off the execution stack. It can still run the rest of this
// procedure early (taken from the execution stack), which closes the PDF and reports "ok" before
// the document information is read; and it can read the passwords of its own PDF from the page
// device and draw them on its pages. It cannot make a PDF that fails the checks pass (a closed
// PDF, its encryption and permissions as chosen), cannot change the PDF once it is reported (its
// interpreter is ended before the PDF is looked at), and cannot touch the next document (a
// PostScript print file gets an interpreter of its own), nor any file outside its folder (SAFER).
// An endless job is ended at the time limit.
std::string jobText(const GhostscriptCommand& command, const std::string& marker) {
    const std::string failed = "{ //handleerror exec (" + marker + "failed) }";
    return "{ { " + command.pageDeviceText() + " /.setpdfwrite where { pop .setpdfwrite } if " +
           postScriptName(distillerParamsName) + " run " + postScriptName(printFileName) + " run " +
           postScriptName(pdfmarksName) + " run } stopped " + failed + " { { << /OutputFile " +
           postScriptName(idleName) + " >> setpagedevice nulldevice } stopped " + failed + " { (" +
           marker + jobSucceeded + ") } ifelse } ifelse //= exec flush } bind executeonly exec\n";
}

} // namespace

// The interpreter, its folder, and the options it was started for. The session is destroyed
// first, so that Ghostscript has ended before its folder is removed.
struct GhostscriptInterpreterStage::Interpreter {
    std::string profile;
    std::unique_ptr<WorkFolder> folder;
    std::unique_ptr<ProcessSession> session;
};

GhostscriptInterpreterStage::GhostscriptInterpreterStage(ProcessSessionStarter& starter,
                                                         Locator locate,
                                                         const PdfSecurityCheck& check,
                                                         std::string dataFolder)
    : starter_(starter), locate_(std::move(locate)), check_(check),
      dataFolder_(std::move(dataFolder)) {}

GhostscriptInterpreterStage::~GhostscriptInterpreterStage() = default;

void GhostscriptInterpreterStage::writePdf(const Job& job, const ConversionOptions& options,
                                           BatchControl& control) {
    // Whatever was moved there may be an unchecked PDF.
    GhostscriptReport::removeOnFailure(job.outputPath, [&] { run(job, options, control); });
}

GhostscriptInterpreterStage::Interpreter& GhostscriptInterpreterStage::interpreterFor(
    const std::string& executable, const ConversionOptions& options, const std::string& prefix) {
    // Everything the interpreter keeps from one job to the next follows from these texts:
    // its switches, its device's settings and the distiller parameters.
    const GhostscriptCommand shape(options, {executable, printFileName, pdfmarksName, pdfName});
    std::string profile;
    for (const auto& argument : shape.interpreterArguments({})) {
        profile += argument + '\n';
    }
    profile += shape.pageDeviceText() + '\n' + PdfmarkFile(options).distillerParamsText();

    if (interpreter_ && (interpreter_->profile != profile || !interpreter_->session ||
                         !interpreter_->session->alive())) {
        interpreter_.reset();
    }
    if (interpreter_) {
        return *interpreter_;
    }

    auto next = std::make_unique<Interpreter>();
    next->profile = std::move(profile);
    next->folder = std::make_unique<WorkFolder>(dataFolder_);
    // The interpreter works in its folder, entered through the open folder: every file it is
    // given is named relative to it, so neither its command line nor its jobs name a folder, and a
    // later rename of any folder above cannot lead it elsewhere. Ghostscript's own temporary files
    // go there too.
    ProcessRunner::Settings settings = GhostscriptCommand::runSettings(".");
    settings.workingFolder = next->folder->descriptor();
    try {
        next->session = starter_.startSession(shape.interpreterArguments("."), settings);
    } catch (const ProcessRunner::StartError& error) {
        throw GhostscriptError(prefix + GhostscriptReport::notStarted(executable, error.what()));
    }
    ++started_;
    // The device is first opened once with the jobs' own settings: the first job then finds
    // the complete page device that the older PDF interpreter needs, and pdfwrite never sees its
    // passwords change on a device that was opened without them (Ghostscript 10.0 crashes).
    const GhostscriptCommand warmUp(options, {executable, printFileName, pdfmarksName, idleName});
    next->session->send(warmUp.pageDeviceText() + " nulldevice\n");
    interpreter_ = std::move(next);
    return *interpreter_;
}

void GhostscriptInterpreterStage::run(const Job& job, const ConversionOptions& options,
                                      BatchControl& control) {
    const std::string prefix = GhostscriptReport::failurePrefix(job.sourcePath);
    control.checkpoint();

    const std::string executable = GhostscriptReport::programFor(locate_, job.printFile, prefix);

    // Any failure of a job, or an abandoned one, ends its interpreter: it may hold what the
    // job left behind.
    struct EndUnlessDone {
        std::unique_ptr<Interpreter>& interpreter;
        bool done = false;
        ~EndUnlessDone() {
            if (!done) {
                interpreter.reset();
            }
        }
    } endUnlessDone{interpreter_};

    std::optional<GhostscriptCommand> command;
    const std::string marker = newMarker();
    std::string text;
    Interpreter* interpreter = nullptr;
    std::optional<JobFiles> files;
    try {
        const PdfmarkFile parameters(options);
        interpreter = &interpreterFor(executable, options, prefix);
        const WorkFolder& folder = *interpreter->folder;
        command.emplace(
            options, GhostscriptCommand::Paths{executable, printFileName, pdfmarksName, pdfName});
        // Passwords the per-document command could not carry are refused here alike.
        command->passwordFileText();
        files.emplace(folder);
        files->bringPrintFile(job.printFile);
        files->write(distillerParamsName, parameters.distillerParamsText());
        files->write(pdfmarksName, parameters.docInfoText());
        text = jobText(*command, marker);
    } catch (const GhostscriptError&) {
        throw;
    } catch (const std::exception& error) {
        throw GhostscriptError(prefix + error.what());
    }

    ProcessSession& session = *interpreter->session;
    if (!session.send(text)) {
        throw GhostscriptError(prefix + "Ghostscript ended before it could take the document.");
    }
    const ProcessSession::Reply reply = session.waitFor(marker, timeLimit_, control);
    // PostScript's document structure comments (the print job's title, say) are read by a
    // parser whose state outlives the document, so the next document would lose its own: a
    // PostScript print file gets an interpreter of its own, ended here, before its PDF is looked
    // at, so that nothing the program left running can change the PDF after it is checked. PDF
    // print files, which is what the word processor prints, share one.
    const bool shared = isPdf(job.printFile);
    if (!shared) {
        interpreter->session.reset();
    }
    if (reply.timedOut) {
        throw GhostscriptError(prefix + GhostscriptReport::timedOut(timeLimit_));
    }
    if (!reply.marked || reply.markLine != jobSucceeded) {
        const std::string line = GhostscriptError::lastErrorLine(reply.errorOutput, reply.output);
        std::string what = "Ghostscript failed";
        if (!reply.marked) {
            what = reply.signal != 0 ? GhostscriptReport::exitDescription(-1, reply.signal)
                                     : "Ghostscript ended unexpectedly (exit status " +
                                           std::to_string(reply.exitStatus) + ")";
        }
        throw GhostscriptError(prefix + what + (line.empty() ? "." : ": " + line), line);
    }
    if (!endsLikeAPdf(*interpreter->folder, pdfName)) {
        throw GhostscriptError(prefix + "Ghostscript produced no complete PDF.");
    }
    try {
        files->takePdf(job.outputPath);
    } catch (const std::exception& error) {
        throw GhostscriptError(prefix + error.what());
    }
    endUnlessDone.done = shared;
    if (command->encrypts()) {
        GhostscriptReport::verifySecurity(check_, job.outputPath, options, *command, prefix);
    }
}

} // namespace zarta
