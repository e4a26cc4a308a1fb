// The whole conversion against the office's own PDF export, same documents, same machine, same
// run: a set of small (one-page) and a set of eight-page generated Word documents, converted by
// ours with security and document information set, once one file at a time and once with each
// file's Ghostscript overlapping the next file's word processor, and by the office's own export
// of the same files in one process; ours once more overlapped with Ghostscript started per file
// instead of one interpreter kept for the batch. Prints wall times, their ratios, a per-stage
// breakdown, the time to the first PDF of a cold batch, peak resident memory of ours and of each
// office, and the cores used. With more than one office (the second argument, by default as many as
// the program would run on this machine, see OfficeCount) it also runs that many offices side by
// side. Last, the eight-page set through the structure-keeping route against the office's export
// with the same security. Asserts nothing.
//
//   zarta_conversion_bench [documents per set=100] [offices]
#include "engine/BatchControl.h"
#include "engine/BatchPage.h"
#include "engine/BatchWorker.h"
#include "engine/FileConverter.h"
#include "engine/GhostscriptInterpreterStage.h"
#include "engine/GhostscriptStage.h"
#include "engine/PrintWatch.h"
#include "engine/QuietPrintWatch.h"
#include "engine/RoutedPdfStage.h"
#include "engine/UserPrompts.h"
#include "engine/WordToPdfConverter.h"
#include "platform/office/OfficeApplicationFactory.h"
#include "platform/office/OfficeCount.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/pdf/QpdfSecurityStage.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/RecordingPrompts.h"
#include "tests/support/TestDocuments.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace zarta;
using namespace zarta::test;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double cpuSeconds(const rusage& usage) {
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double mib(std::uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// This process's peak resident memory since the last resetPeakResident(), in bytes.
std::uint64_t peakResident() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stoull(line.substr(6)) * 1024;
        }
    }
    return 0;
}

// Makes the kernel measure the peak resident memory afresh from now on.
void resetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// CPU time (user and system) a running process has used so far; 0 when it cannot be read.
double processCpuSeconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)),
                           std::istreambuf_iterator<char>());
    const auto nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(nameEnd + 2));
    std::string field;
    double ticks = 0;
    // The fields after the name start at 3; utime is 14 and stime 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Time spent in each stage, summed over the batch.
struct Stages {
    Clock::duration create{}, open{}, print{}, ghostscript{}, finish{};
    Clock::duration firstCreate{};
};

// Measures a call's duration into a counter.
class Stopwatch {
public:
    explicit Stopwatch(Clock::duration& total) : total_(total), start_(Clock::now()) {}
    Stopwatch(const Stopwatch&) = delete;
    Stopwatch& operator=(const Stopwatch&) = delete;
    ~Stopwatch() { total_ += Clock::now() - start_; }

private:
    Clock::duration& total_;
    Clock::time_point start_;
};

class TimedDocument : public WordDocument {
public:
    TimedDocument(std::unique_ptr<WordDocument> inner, Stages& stages)
        : inner_(std::move(inner)), stages_(stages) {}
    void PrintOut(std::array<WordVariant, 18>& arguments) override {
        Stopwatch watch(stages_.print);
        inner_->PrintOut(arguments);
    }
    void putBuiltInDocumentProperty(const std::string& name, const std::string& value) override {
        inner_->putBuiltInDocumentProperty(name, value);
    }
    void ExportAsFixedFormat(const FixedFormatExport& settings) override {
        Stopwatch watch(stages_.print);
        inner_->ExportAsFixedFormat(settings);
    }
    void Close(std::array<WordVariant, 3>& arguments) override {
        Stopwatch watch(stages_.finish);
        inner_->Close(arguments);
    }

private:
    std::unique_ptr<WordDocument> inner_;
    Stages& stages_;
};

class TimedDocuments : public WordDocuments {
public:
    TimedDocuments(std::unique_ptr<WordDocuments> inner, Stages& stages)
        : inner_(std::move(inner)), stages_(stages) {}
    std::unique_ptr<WordDocument> Open(std::array<WordVariant, 12>& arguments) override {
        Stopwatch watch(stages_.open);
        return std::make_unique<TimedDocument>(inner_->Open(arguments), stages_);
    }

private:
    std::unique_ptr<WordDocuments> inner_;
    Stages& stages_;
};

class TimedApplication : public WordApplication {
public:
    TimedApplication(std::unique_ptr<WordApplication> inner, Stages& stages)
        : inner_(std::move(inner)), stages_(stages) {}
    void putVisible(const WordVariant& v) override { inner_->putVisible(v); }
    void putActivePrinter(const WordVariant& v) override { inner_->putActivePrinter(v); }
    std::unique_ptr<WordDocuments> getDocuments() override {
        return std::make_unique<TimedDocuments>(inner_->getDocuments(), stages_);
    }
    int getBackgroundPrintingStatus() override {
        Stopwatch watch(stages_.print);
        return inner_->getBackgroundPrintingStatus();
    }
    void Quit(std::array<WordVariant, 3>& arguments) override {
        Stopwatch watch(stages_.finish);
        inner_->Quit(arguments);
    }

private:
    std::unique_ptr<WordApplication> inner_;
    Stages& stages_;
};

class TimedFactory : public WordApplicationFactory {
public:
    TimedFactory(WordApplicationFactory& inner, Stages& stages) : inner_(inner), stages_(stages) {}
    std::unique_ptr<WordApplication> create(const std::string& progId,
                                            BatchControl& control) override {
        const auto start = Clock::now();
        auto application = inner_.create(progId, control);
        const auto took = Clock::now() - start;
        (first_ ? stages_.firstCreate : stages_.create) += took;
        first_ = false;
        return application ? std::make_unique<TimedApplication>(std::move(application), stages_)
                           : nullptr;
    }

private:
    WordApplicationFactory& inner_;
    Stages& stages_;
    bool first_ = true;
};

class TimedPdfStage : public PdfStage {
public:
    TimedPdfStage(PdfStage& inner, Stages& stages) : inner_(inner), stages_(stages) {}
    void writePdf(const Job& job, const ConversionOptions& options,
                  BatchControl& control) override {
        Stopwatch watch(stages_.ghostscript);
        inner_.writePdf(job, options, control);
    }

private:
    PdfStage& inner_;
    Stages& stages_;
};

// A page that only notes when the first PDF was recorded.
class BenchPage : public BatchPage {
public:
    BenchPage(std::vector<std::string> files, std::string folder)
        : files_(std::move(files)), folder_(std::move(folder)) {}
    Clock::time_point firstPdf{};
    int produced = 0;

    int fileCount() override { return static_cast<int>(files_.size()); }
    std::string fileAt(int index) override { return files_.at(static_cast<size_t>(index)); }
    std::string destinationFolder() override { return folder_; }
    bool askReplace(const std::string&) override { return true; }
    void fileReported(const FileReport& report) override {
        if (report.result == FileReport::Result::Converted && produced++ == 0) {
            firstPdf = Clock::now();
        }
    }
    void batchFinished(const BatchSummary&) override {}

private:
    std::vector<std::string> files_;
    std::string folder_;
};

// Converts one file at a time: a file's Ghostscript ends before the next file's word processor
// starts, as when the converter offers no second stage.
class OneAtATime : public FileConverter {
public:
    explicit OneAtATime(FileConverter& inner) : inner_(inner) {}
    FileOutcome convert(const std::string& sourcePath, const std::string& outputPath,
                        const ConversionOptions& options, BatchControl& control) override {
        return inner_.convert(sourcePath, outputPath, options, control);
    }

private:
    FileConverter& inner_;
};

// One office and its Ghostscript stage (one interpreter kept for the batch, or Ghostscript
// started per file), each call timed into the lane's own stages.
struct TimedLane {
    TimedLane(const OfficeSettings& settings, UserPrompts& messages, PrintWatch& watch,
              const std::string& data, bool keptGhostscript)
        : perFile(
              runner, [this] { return locator.locate(); }, securityCheck),
          kept(
              runner, [this] { return locator.locate(); }, securityCheck, data),
          timedGhostscript(keptGhostscript ? static_cast<PdfStage&>(kept) : perFile, stages),
          finishing(securityCheck), timedFinishing(finishing, stages),
          routed(timedGhostscript, timedFinishing), office(settings), timedOffice(office, stages),
          converter(timedOffice, routed, messages, watch, data) {
        // Printing is synchronous here; poll often so the wait adds nothing measurable.
        converter.setPrintPollInterval(std::chrono::milliseconds(10));
    }

    Stages stages;
    PosixProcessRunner runner;
    const GhostscriptLocator locator;
    const QpdfSecurityCheck securityCheck;
    GhostscriptStage perFile;
    GhostscriptInterpreterStage kept;
    TimedPdfStage timedGhostscript;
    // The structure-keeping route's security; its time is counted with Ghostscript's.
    QpdfSecurityStage finishing;
    TimedPdfStage timedFinishing;
    RoutedPdfStage routed;
    OfficeApplicationFactory office;
    TimedFactory timedOffice;
    WordToPdfConverter converter;
};

struct OurRun {
    double wallMs = 0;
    double firstPdfMs = 0;
    double officeStartMs = 0;
    Stages stages; // summed over the offices
    int produced = 0;
    int messages = 0;
    std::uint64_t peakBytes = 0;
    std::vector<std::uint64_t> officePeakBytes;
    double cpuSeconds = 0; // this process, its Ghostscript children and the offices
};

// offices: 0 converts one file at a time with one office; 1 overlaps Ghostscript with the next
// file's office; more run that many offices side by side.
OurRun convertWithOurs(const std::vector<std::string>& files, const fs::path& root,
                       const ConversionOptions& options, int offices, bool keptGhostscript) {
    const fs::path out = root / "out";
    fs::create_directories(out);
    fs::create_directories(root / "data");
    OurRun run;
    BenchPage page(files, out.string());
    // Messages are printed as they come; no password is given.
    RecordingPrompts messages;
    messages.onPrompt = [](const std::string& prompt) {
        std::fprintf(stderr, "%s\n", prompt.c_str());
    };
    BatchControl control;
    QuietPrintWatch watch;
    OfficeSettings settings;
    settings.profileRoot = (root / "profiles").string();

    resetPeakResident();
    rusage selfBefore{}, childrenBefore{}, selfAfter{}, childrenAfter{};
    ::getrusage(RUSAGE_SELF, &selfBefore);
    ::getrusage(RUSAGE_CHILDREN, &childrenBefore);
    const auto start = Clock::now();
    {
        std::vector<std::unique_ptr<TimedLane>> lanes;
        for (int i = 0; i < std::max(1, offices); ++i) {
            lanes.push_back(std::make_unique<TimedLane>(settings, messages, watch,
                                                        (root / "data").string(), keptGhostscript));
        }
        OneAtATime oneAtATime(lanes.front()->converter);
        std::vector<FileConverter*> used;
        for (const auto& lane : lanes) {
            used.push_back(offices == 0 ? static_cast<FileConverter*>(&oneAtATime)
                                        : &lane->converter);
        }
        BatchWorker worker(page, used, messages, control, options, (root / "data").string());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
        run.wallMs = ms(Clock::now() - start);
        // Read before the offices end, so that their time is not counted with the children's.
        ::getrusage(RUSAGE_SELF, &selfAfter);
        ::getrusage(RUSAGE_CHILDREN, &childrenAfter);
        run.cpuSeconds = cpuSeconds(selfAfter) - cpuSeconds(selfBefore) +
                         cpuSeconds(childrenAfter) - cpuSeconds(childrenBefore);
        for (const auto& lane : lanes) {
            const OfficeStatistics statistics = lane->office.statistics();
            run.cpuSeconds += processCpuSeconds(statistics.officePid);
            run.officePeakBytes.push_back(statistics.peakResidentBytes);
            run.officeStartMs = std::max(run.officeStartMs, ms(statistics.lastStartDuration));
            const Stages& s = lane->stages;
            run.stages.create += s.create;
            run.stages.open += s.open;
            run.stages.print += s.print;
            run.stages.ghostscript += s.ghostscript;
            run.stages.finish += s.finish;
            run.stages.firstCreate = std::max(run.stages.firstCreate, s.firstCreate);
        }
    }
    run.peakBytes = peakResident();
    run.firstPdfMs = ms(page.firstPdf - start);
    run.produced = page.produced;
    run.messages = static_cast<int>(messages.messages.size());
    return run;
}

struct ExportRun {
    double wallMs = -1;
    std::uint64_t peakBytes = 0; // the largest process of the office's
    double cpuSeconds = 0;
};

ExportRun runShell(const std::string& command) {
    ExportRun run;
    const char* arguments[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    const auto start = Clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(arguments), environ) !=
        0) {
        return run;
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return run;
    }
    run.wallMs = ms(Clock::now() - start);
    run.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    run.cpuSeconds = cpuSeconds(usage);
    return run;
}

// Converts the files with the office's own export, one office process for all of them, with a
// profile that already exists (as ours does).
// filterData: the export's settings as the office's JSON filter options, or empty.
ExportRun officeExport(const std::vector<std::string>& files, const fs::path& root,
                       const std::string& filterData = "") {
    const std::string profile = "file://" + (root / "export-profile").string();
    const std::string format =
        filterData.empty() ? "pdf" : "'pdf:writer_pdf_Export:" + filterData + "'";
    const std::string prefix = "soffice -env:UserInstallation=" + profile +
                               " --headless --norestore --convert-to " + format + " --outdir '";
    if (runShell(prefix + (root / "export-warm").string() + "' '" + files.front() +
                 "' >/dev/null 2>&1")
            .wallMs < 0) {
        return {};
    }
    std::string command = prefix + (root / "export").string() + "'";
    for (const auto& file : files) {
        command += " '" + file + "'";
    }
    return runShell(command + " >/dev/null 2>&1");
}

void printOurs(const char* label, const OurRun& run, int count) {
    const Stages& s = run.stages;
    const double perFile = 1.0 / count;
    std::printf("  ours, %-17s %8.0f ms  (%d converted, %d messages)\n", label, run.wallMs,
                run.produced, run.messages);
    std::printf("    first PDF after batch start  %8.0f ms (office start %.0f ms + %.0f ms)\n",
                run.firstPdfMs, run.officeStartMs, run.firstPdfMs - run.officeStartMs);
    std::printf("    per file: new session %.1f, load %.1f, print %.1f, close and quit %.1f, "
                "Ghostscript %.1f ms (office start, first file only: %.0f ms)\n",
                ms(s.create) * perFile, ms(s.open) * perFile, ms(s.print) * perFile,
                ms(s.finish) * perFile, ms(s.ghostscript) * perFile, ms(s.firstCreate));
    const double stagesMs =
        ms(s.firstCreate + s.create + s.open + s.print + s.finish + s.ghostscript);
    std::printf("    stages summed %.0f ms against %.0f ms of wall time (%.2fx overlap)\n",
                stagesMs, run.wallMs, stagesMs / run.wallMs);
    std::printf("    peak resident: ours %.1f MiB (target < 150 MiB), office", mib(run.peakBytes));
    for (const auto bytes : run.officePeakBytes) {
        std::printf(" %.1f MiB", mib(bytes));
    }
    std::printf("\n");
    std::printf("    cores used: %.2f (CPU %.1f s: ours, Ghostscript and the office)\n",
                run.cpuSeconds * 1000.0 / run.wallMs, run.cpuSeconds);
}

void measureSet(const char* title, const std::vector<std::string>& files, const fs::path& root,
                const ConversionOptions& options, int offices) {
    const int count = static_cast<int>(files.size());
    const OurRun perFile = convertWithOurs(files, root / "per-file", options, 1, false);
    const OurRun oneAtATime = convertWithOurs(files, root / "one-at-a-time", options, 0, true);
    const OurRun overlapped = convertWithOurs(files, root / "overlapped", options, 1, true);
    OurRun several;
    if (offices > 1) {
        several = convertWithOurs(files, root / "offices", options, offices, true);
    }
    const ExportRun theirs = officeExport(files, root);

    std::printf("%s: %d documents (half .docx, half .doc), 128-bit security and document "
                "information\n",
                title, count);
    std::printf(" Ghostscript started per file:\n");
    printOurs("overlapped", perFile, count);
    std::printf(" one Ghostscript kept for the batch:\n");
    printOurs("one file at a time", oneAtATime, count);
    printOurs("overlapped", overlapped, count);
    const std::string severalLabel = std::to_string(offices) + " offices";
    if (offices > 1) {
        printOurs(severalLabel.c_str(), several, count);
    }
    std::printf("  office export (one process)    %8.0f ms; peak resident %.1f MiB; cores used "
                "%.2f\n",
                theirs.wallMs, mib(theirs.peakBytes),
                theirs.wallMs > 0 ? theirs.cpuSeconds * 1000.0 / theirs.wallMs : 0.0);
    if (theirs.wallMs > 0) {
        std::printf("  ratio ours / export: Ghostscript per file, overlapped %.2f; kept, one file "
                    "at a time %.2f; kept, overlapped %.2f (target <= 1.5)\n",
                    perFile.wallMs / theirs.wallMs, oneAtATime.wallMs / theirs.wallMs,
                    overlapped.wallMs / theirs.wallMs);
        if (offices > 1) {
            std::printf("  ratio ours / export with %s: %.2f\n", severalLabel.c_str(),
                        several.wallMs / theirs.wallMs);
        }
    }
    std::printf("  per file: ours %.1f / %.1f / %.1f ms, export %.1f ms\n", perFile.wallMs / count,
                oneAtATime.wallMs / count, overlapped.wallMs / count, theirs.wallMs / count);
    std::fflush(stdout);
}

// The structure-keeping route (export, then qpdf's security) against the office's own export
// with the same 128-bit security, one office each side.
void measureRoute(const std::vector<std::string>& files, const fs::path& root,
                  ConversionOptions options) {
    const int count = static_cast<int>(files.size());
    options.route = ConversionRoute::KeepStructure;
    const OurRun ours = convertWithOurs(files, root / "route", options, 1, true);
    const ExportRun theirs =
        officeExport(files, root / "route-export",
                     R"({"EncryptFile":{"type":"boolean","value":"true"},)"
                     R"("PermissionPassword":{"type":"string","value":"owner secret"},)"
                     R"("Printing":{"type":"long","value":"2"},)"
                     R"("SelectPdfVersion":{"type":"long","value":"16"}})");
    std::printf("Structure-keeping route, %d eight-page documents, 128-bit security and document "
                "information:\n",
                count);
    printOurs("route, overlapped", ours, count);
    std::printf("  office export, same security    %8.0f ms\n", theirs.wallMs);
    if (theirs.wallMs > 0) {
        std::printf("  ratio route / export: %.2f (target <= 1.1)\n", ours.wallMs / theirs.wallMs);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int offices = argc > 2 ? std::max(1, std::atoi(argv[2])) : OfficeCount::forThisMachine();
    const fs::path root =
        fs::temp_directory_path() / ("zarta-conversion-bench-" + std::to_string(::getpid()));
    for (const char* folder : {"small", "eight-page"}) {
        fs::create_directories(root / folder / "documents");
    }

    // About one page of text, and about eight pages with tables and pictures.
    const struct {
        const char* title;
        const char* folder;
        int paragraphs;
    } sets[] = {{"Small documents", "small", 12}, {"Eight-page documents", "eight-page", 120}};
    std::vector<std::vector<std::string>> files(std::size(sets));
    {
        TestDocuments maker((root / "maker").string());
        for (std::size_t set = 0; set < std::size(sets); ++set) {
            for (int i = 0; i < count; ++i) {
                const bool docx = i % 2 == 0;
                files[set].push_back((root / sets[set].folder / "documents").string() + "/report-" +
                                     std::to_string(i + 1) + (docx ? ".docx" : ".doc"));
                maker.make(files[set].back(),
                           docx ? TestDocuments::Format::Docx : TestDocuments::Format::Doc,
                           TestDocuments::report(i + 1, sets[set].paragraphs));
            }
        }
    }

    ConversionOptions options;
    options.title = "Rapport trimestriel";
    options.author = "Zarta";
    options.keywords = "rapport, synthèse";
    options.securityEnabled = true;
    options.ownerPassword = "owner secret";
    options.userPasswordEnabled = false;
    options.encryptionLevel = EncryptionLevel::High;
    options.printing = true;

    std::printf("Cores on this machine: %u; the program would run %d office process(es) per "
                "batch here; measured with 1%s\n",
                std::thread::hardware_concurrency(), OfficeCount::forThisMachine(),
                offices > 1 ? (" and " + std::to_string(offices)).c_str() : "");
    for (std::size_t set = 0; set < std::size(sets); ++set) {
        measureSet(sets[set].title, files[set], root / sets[set].folder, options, offices);
    }
    measureRoute(files.back(), root / "eight-page", options);

    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
