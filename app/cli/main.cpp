// zarta-convert: converts the Word documents named on the command line into PDF files with the
// same engine and options as the desktop program.

#include "app/cli/CommandLine.h"
#include "app/cli/InterruptWatcher.h"
#include "app/cli/TerminalPage.h"
#include "app/cli/TerminalPrompts.h"
#include "engine/BatchControl.h"
#include "engine/BatchWorker.h"
#include "engine/EscapedText.h"
#include "engine/Messages.h"
#include "engine/PasswordRules.h"
#include "engine/QuietPrintWatch.h"
#include "engine/WordFiles.h"
#include "platform/folders/DataFolders.h"
#include "platform/office/NetworkIsolation.h"
#include "platform/service/ServiceConverterFactory.h"
#include "platform/service/ServiceStatus.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <unistd.h>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

constexpr int exitConverted = 0;
constexpr int exitSomeFailed = 1;
constexpr int exitUsage = 2;
constexpr int exitInterrupted = 130;

// Every line below may name a file or folder; names are shown with their control characters
// escaped.
int usageError(const std::string& program, const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(),
                 EscapedText::forTerminal(message).c_str(), program.c_str());
    return exitUsage;
}

} // namespace

int main(int argc, char** argv) {
    const std::string program = fs::path(argv[0]).filename().string();
    CommandLine::Settings settings;
    try {
        settings = CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const CommandLine::UsageError& error) {
        return usageError(program, error.what());
    }
    for (const auto& warning : settings.warnings) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(),
                     EscapedText::forTerminal(warning).c_str());
    }
    if (settings.help) {
        std::fputs(CommandLine::usage(program).c_str(), stdout);
        return exitConverted;
    }
    if (settings.serviceStatus) {
        std::string whyNot;
        if (const auto status = ServiceStatus::query(&whyNot)) {
            std::fputs(status->text().c_str(), stdout);
            return exitConverted;
        }
        std::printf("conversion service: not running (%s)\n",
                    EscapedText::forTerminal(whyNot).c_str());
        return exitSomeFailed;
    }
    if (settings.version) {
        std::fputs(CommandLine::version().c_str(), stdout);
        return exitConverted;
    }

    // Passwords the PDF could not keep are refused before anything starts.
    if (const auto problem = PasswordRules::problem(settings.options)) {
        return usageError(program, *problem);
    }

    std::error_code error;
    fs::create_directories(settings.outputFolder, error);
    if (!fs::is_directory(settings.outputFolder)) {
        return usageError(program, "can't use \"" + settings.outputFolder +
                                       "\" as the folder for "
                                       "the PDF files" +
                                       (error ? ": " + error.message() : ""));
    }
    // A folder the PDFs cannot be written into would fail every file the same way.
    if (::access(settings.outputFolder.c_str(), W_OK | X_OK) != 0) {
        return usageError(program, "can't write into \"" + settings.outputFolder +
                                       "\", the folder for the PDF files: " + std::strerror(errno));
    }
    const std::string outputFolder =
        fs::absolute(settings.outputFolder).lexically_normal().string();

    // Word files by the same rule as the desktop program's list, which takes .doc and .docx;
    // here templates (.dot) are taken as well.
    std::vector<std::string> files;
    int refused = 0;
    for (const auto& file : settings.files) {
        if (WordFiles::isWordFile(file, WordFiles::commandLineExtensions)) {
            files.push_back(fs::absolute(file).lexically_normal().string());
        } else {
            std::fprintf(stderr, "%s: \"%s\": %s\n", program.c_str(),
                         EscapedText::forTerminal(file).c_str(),
                         Messages::formatNotSupported.data());
            ++refused;
        }
    }

    const std::string dataFolder = DataFolders::dataFolder();
    try {
        DataFolders::prepare(dataFolder);
    } catch (const DataFolders::Refused& refusal) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(),
                     EscapedText::forTerminal(refusal.what()).c_str());
        return exitSomeFailed;
    }
    // Said once, before anything is converted. The offices read the choice from the
    // environment; nothing else runs yet.
    if (settings.requireIsolation) {
        ::setenv(NetworkIsolation::requireVariable, "1", 1);
    }
    if (const auto network = NetworkIsolation::notice()) {
        std::fprintf(stderr, "%s: %s%s\n", program.c_str(),
                     network->refuse ? "" : "warning: ", network->text.c_str());
        if (network->refuse) {
            return exitSomeFailed;
        }
    }

    BatchControl control;
    InterruptWatcher interrupts(control);

    TerminalPage page(files, outputFolder, settings.overwrite, stderr, interrupts.wakeFd());
    TerminalPrompts prompts(page,
                            settings.hasDocumentPassword
                                ? std::optional<std::string>(settings.documentPassword)
                                : std::nullopt,
                            interrupts.wakeFd());
    QuietPrintWatch printWatch;

    // The user's conversion service converts with its offices kept running, started here when
    // it does not run; without it, this process converts as the service would.
    ServiceConverterFactory factory(dataFolder, !settings.noService);
    {
        // As many lanes as the machine holds offices (see OfficeCount); in this process each
        // has an office and a Ghostscript kept for the batch, started when its lane takes its
        // first file, and all of them end with this block, before the summary below.
        auto converters = factory.makeConverters({}, prompts, printWatch);
        std::vector<FileConverter*> lanes;
        for (const auto& converter : converters) {
            lanes.push_back(converter.get());
        }
        BatchWorker worker(page, lanes, prompts, control, settings.options, factory.dataFolder());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
    }
    const auto offices = factory.wordProcessors();
    if (interrupts.interrupted()) {
        // The terminal echoed ^C where the cursor stood.
        page.startNewLine();
        page.say("interrupted; " + std::to_string(page.produced().size()) + " of " +
                 std::to_string(files.size()) + " files converted");
        return exitInterrupted;
    }
    if (offices.failedToStart > 0 && offices.failedToStart == offices.made) {
        page.say(program + ": the word processor could not be started: " + offices.lastFailure);
    } else if (offices.failedToStart > 0) {
        page.say(program + ": " + std::to_string(offices.failedToStart) + " of " +
                 std::to_string(offices.made) +
                 " word processors could not be started (the others went on with their files): " +
                 offices.lastFailure);
    }
    // A PDF kept as the user asked (--no-overwrite, or No at the question) is not a failure: a
    // rerun that finishes an interrupted batch ends with 0.
    const auto& summary = page.summary();
    const bool everyFile =
        refused == 0 && !summary.refused &&
        summary.converted + summary.kept - page.keptUnasked() == static_cast<int>(files.size());
    return everyFile ? exitConverted : exitSomeFailed;
}
