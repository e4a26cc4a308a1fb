// zarta-convert: converts the Word documents named on the command line (and those in the
// folders and lists it names) into PDF files with the same engine and options as the desktop
// program.

#include "app/cli/CommandLine.h"
#include "app/cli/FileList.h"
#include "app/cli/InterruptWatcher.h"
#include "app/cli/JsonReport.h"
#include "app/cli/TerminalPage.h"
#include "app/cli/TerminalPrompts.h"
#include "engine/BatchControl.h"
#include "engine/BatchWorker.h"
#include "engine/EscapedText.h"
#include "engine/PasswordRules.h"
#include "engine/QuietPrintWatch.h"
#include "platform/folders/DataFolders.h"
#include "platform/office/NetworkIsolation.h"
#include "platform/office/OfficeCount.h"
#include "platform/pdf/PdfPages.h"
#include "platform/service/ServiceConverterFactory.h"
#include "platform/service/ServiceStatus.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

    // The option wins over the variable; the offices of this run (and of a conversion service
    // it starts) read the number from the environment.
    if (settings.offices > 0) {
        ::setenv(OfficeCount::overrideVariable, std::to_string(settings.offices).c_str(), 1);
    }

    std::unique_ptr<PathListReader> list;
    if (settings.filesFrom) {
        const int fd = *settings.filesFrom == "-"
                           ? STDIN_FILENO
                           : ::open(settings.filesFrom->c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return usageError(program, "--files-from: can't read \"" + *settings.filesFrom +
                                           "\": " + std::strerror(errno));
        }
        list = std::make_unique<PathListReader>(fd, settings.nulSeparated);
    }
    std::unique_ptr<JsonReport> report;
    if (settings.report) {
        try {
            report = std::make_unique<JsonReport>(
                *settings.report, [](const std::string& pdf) -> std::optional<int> {
                    try {
                        return static_cast<int>(PdfPages::sizes(pdf).size());
                    } catch (const std::exception&) {
                        return std::nullopt; // one the program cannot read (a user password)
                    }
                });
        } catch (const std::runtime_error& refusal) {
            return usageError(program, std::string("--report: ") + refusal.what());
        }
    }

    // Word files by the same rule as the desktop program's list, which takes .doc and .docx;
    // here templates (.dot) are taken as well. What is wrong with a named file, a folder or the
    // list is said as it is met, and the run goes on with the rest.
    int problems = 0;
    const auto problem = [&](FileList::Problem kind, const std::string& path,
                             const std::string& why) {
        ++problems;
        JsonReport::Line line{path, std::nullopt, "failed", why, 0, std::nullopt};
        std::string text;
        switch (kind) {
        case FileList::Problem::NotWordFile:
            text = "\"" + path + "\": " + why;
            line.outcome = "refused";
            break;
        case FileList::Problem::UnreadableFolder:
            text =
                "can't read the folder \"" + path + "\": " + why + "; its files are not converted";
            line.message = "can't read the folder: " + why;
            break;
        case FileList::Problem::UnreadableList:
            line.source = *settings.filesFrom;
            text = "can't read \"" + line.source + "\" further: " + why +
                   "; the files listed after that are not converted";
            line.message = "can't read the list further: " + why;
            break;
        }
        std::fprintf(stderr, "%s: %s\n", program.c_str(), EscapedText::forTerminal(text).c_str());
        if (report) {
            try {
                report->add(line);
            } catch (const std::runtime_error& failure) {
                // Said once: nothing more is written to it (the run already ends with 1).
                std::fprintf(stderr, "%s: %s\n", program.c_str(),
                             EscapedText::forTerminal(failure.what()).c_str());
                report.reset();
            }
        }
    };
    FileList files(settings.files, std::move(list), settings.recursive, settings.shard, problem);

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

    files.watchInterrupts(interrupts.wakeFd());
    TerminalPage page(std::move(files), outputFolder, settings.overwrite, stderr,
                      interrupts.wakeFd());
    page.setQuiet(settings.quiet);
    page.setReport(report.get());
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
        const int count = page.fileCount();
        page.say(
            "interrupted; " + std::to_string(page.converted()) +
            (count == BatchPage::unknownCount ? std::string() : " of " + std::to_string(count)) +
            " files converted");
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
    const bool everyFile = problems == 0 && !summary.refused && !page.reportFailed() &&
                           summary.converted + summary.kept - page.keptUnasked() == summary.files;
    return everyFile ? exitConverted : exitSomeFailed;
}
