// The whole conversion against the office's own PDF export, same documents, same machine, same
// run: a batch of generated multi-page Word documents with security and document information
// set. Prints wall times, their ratio, a per-stage breakdown, the time to the first PDF of a
// cold batch, and peak resident memory. Asserts nothing.
//
//   zarta_conversion_bench [documents=20] [paragraphs per document=120]
#include "engine/BatchControl.h"
#include "engine/BatchPage.h"
#include "engine/BatchWorker.h"
#include "engine/GhostscriptStage.h"
#include "engine/PrintWatch.h"
#include "engine/UserPrompts.h"
#include "engine/WordToPdfConverter.h"
#include "platform/office/OfficeApplicationFactory.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/TestDocuments.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace zarta;
using namespace zarta::test;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
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
    void clearFileList() override {}
    std::string destinationFolder() override { return folder_; }
    void setDestinationFolder(const std::string& folder) override { folder_ = folder; }
    void setProgress(int, int, bool) override {}
    void setStatus(const std::string&) override {}
    void setConverting(bool) override {}
    void setListBusy(bool) override {}
    void enableEditing() override {}
    void resetConvertButton() override {}
    void appendProducedFile(const std::string&) override {
        if (produced++ == 0) {
            firstPdf = Clock::now();
        }
    }
    int producedFileCount() override { return produced; }
    bool askReplace(const std::string&) override { return true; }
    void stopStatusAnimation() override {}
    void startFinishTimer() override {}

private:
    std::vector<std::string> files_;
    std::string folder_;
};

class BenchPrompts : public UserPrompts {
public:
    int shown = 0;
    void showMessage(const std::string& text) override {
        ++shown;
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
};

class NoWatch : public PrintWatch {
public:
    void start() override {}
    void stop() override {}
};

// Converts the files with the office's own export, one office process for all of them, with a
// profile that already exists (as ours does).
double officeExport(const std::vector<std::string>& files, const std::string& root) {
    const std::string profile = "file://" + root + "/export-profile";
    const std::string warm = "soffice -env:UserInstallation=" + profile +
                             " --headless --norestore --convert-to pdf --outdir '" + root +
                             "/export-warm' '" + files.front() + "' >/dev/null 2>&1";
    if (std::system(warm.c_str()) != 0) {
        return -1;
    }
    std::string command = "soffice -env:UserInstallation=" + profile +
                          " --headless --norestore --convert-to pdf --outdir '" + root + "/export'";
    for (const auto& file : files) {
        command += " '" + file + "'";
    }
    command += " >/dev/null 2>&1";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    return status == 0 ? ms(Clock::now() - start) : -1;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int paragraphs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 120;
    const fs::path root =
        fs::temp_directory_path() / ("zarta-conversion-bench-" + std::to_string(::getpid()));
    const std::string profiles = (root / "profiles").string();
    fs::create_directories(root / "documents");
    fs::create_directories(root / "out");
    fs::create_directories(root / "data");

    std::vector<std::string> files;
    {
        TestDocuments maker(profiles);
        for (int i = 0; i < count; ++i) {
            const bool docx = i % 2 == 0;
            files.push_back((root / "documents").string() + "/report-" + std::to_string(i + 1) +
                            (docx ? ".docx" : ".doc"));
            maker.make(files.back(),
                       docx ? TestDocuments::Format::Docx : TestDocuments::Format::Doc,
                       TestDocuments::report(i + 1, paragraphs));
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

    Stages stages;
    BenchPage page(files, (root / "out").string());
    BenchPrompts messages;
    BatchControl control;
    PosixProcessRunner runner;
    const GhostscriptLocator locator;
    const QpdfSecurityCheck securityCheck;
    GhostscriptStage ghostscript(
        runner, [&locator] { return locator.locate(); }, securityCheck);
    TimedPdfStage timedGhostscript(ghostscript, stages);
    NoWatch watch;
    OfficeSettings settings;
    settings.profileRoot = profiles;
    std::uint64_t officePeak = 0;
    Clock::duration officeStart{};

    const auto start = Clock::now();
    Clock::time_point end;
    {
        OfficeApplicationFactory office(settings);
        TimedFactory timedOffice(office, stages);
        WordToPdfConverter converter(timedOffice, timedGhostscript, messages, watch,
                                     (root / "data").string());
        // Printing is synchronous here; poll often so the wait adds nothing measurable.
        converter.setPrintPollInterval(std::chrono::milliseconds(10));
        BatchWorker worker(page, converter, messages, control, options, (root / "data").string());
        worker.setStartDelay(std::chrono::milliseconds(0));
        worker.runBatch();
        end = Clock::now();
        officePeak = office.statistics().peakResidentBytes;
        officeStart = office.statistics().lastStartDuration;
    }
    const double ours = ms(end - start);
    const double theirs = officeExport(files, root.string());

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double measured = ms(stages.firstCreate + stages.create + stages.open + stages.print +
                               stages.ghostscript + stages.finish);
    const double perFile = 1.0 / count;

    std::printf("Whole conversion, %d documents of %d paragraphs (half .docx, half .doc), "
                "128-bit security and document information\n",
                count, paragraphs);
    std::printf("  converted                      %8d of %d (%d messages)\n", page.produced, count,
                messages.shown);
    std::printf("  ours, cold office              %8.0f ms\n", ours);
    std::printf("  office export (one process)    %8.0f ms\n", theirs);
    std::printf("  ratio ours / export            %8.2f (target <= 2.5)\n",
                theirs > 0 ? ours / theirs : 0.0);
    std::printf("  first PDF after batch start    %8.0f ms (office start %0.f ms + %0.f ms; "
                "target: start + 1000 ms)\n",
                ms(page.firstPdf - start), ms(officeStart),
                ms(page.firstPdf - start) - ms(officeStart));
    std::printf("Per file:\n");
    std::printf("  office start (first file only) %8.0f ms\n", ms(stages.firstCreate));
    std::printf("  new session (warm office)      %8.1f ms\n", ms(stages.create) * perFile);
    std::printf("  load                           %8.1f ms\n", ms(stages.open) * perFile);
    std::printf("  print                          %8.1f ms\n", ms(stages.print) * perFile);
    std::printf("  Ghostscript                    %8.1f ms\n", ms(stages.ghostscript) * perFile);
    std::printf("  close and quit                 %8.1f ms\n", ms(stages.finish) * perFile);
    std::printf("  our own overhead               %8.1f ms (target < 20 ms)\n",
                (ours - measured) * perFile);
    std::printf("Memory:\n");
    std::printf("  peak resident, this process    %8.1f MiB (target < 150 MiB at 100 files)\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::printf("  peak resident, office          %8.1f MiB\n",
                static_cast<double>(officePeak) / (1024.0 * 1024.0));

    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
