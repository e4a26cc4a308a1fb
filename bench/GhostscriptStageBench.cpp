// Prints the Ghostscript stage's own overhead per file: locating gs, writing and removing the
// parameter files, building the command and checking the outcome, with a runner that returns at
// once after writing the output. A second figure gives what starting and reaping a trivial
// child costs with the real runner, the rest of the overhead a real run adds besides
// Ghostscript's own work. A third gives what reading an encrypted PDF back with qpdf costs.
#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/GhostscriptStage.h"
#include "engine/PdfSecurityCheck.h"
#include "engine/WorkFolder.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

using namespace zarta;

namespace {

class InstantRunner : public ProcessRunner {
public:
    Result run(const std::vector<std::string>& arguments, const Settings&, BatchControl&) override {
        for (const auto& argument : arguments) {
            if (argument.starts_with("-sOutputFile=")) {
                std::ofstream(argument.substr(13), std::ios::trunc) << "%PDF-1.4\n%%EOF\n";
            }
        }
        return Result{0, 0, {}, {}};
    }
};

// The instant runner writes no real PDF; reading one back is measured on its own below.
class AcceptingCheck : public PdfSecurityCheck {
public:
    void verify(const std::string&, const Expectation&) const override {}
};

ConversionOptions fullOptions() {
    ConversionOptions options;
    options.title = "Quarterly report (draft)";
    options.author = "Ünïcödé 標題";
    options.subject = "Figures";
    options.keywords = "one\r\ntwo";
    options.securityEnabled = true;
    options.ownerPassword = "owner \"secret\"";
    options.userPassword = "user";
    options.encryptionLevel = EncryptionLevel::High;
    options.imagesCompression = ImageCompression::Jpeg;
    return options;
}

void stageOverheadPerFile(benchmark::State& state) {
    const auto root = std::filesystem::temp_directory_path() / "zarta-bench-gs";
    std::filesystem::create_directories(root);
    WorkFolder work(root.string());
    const std::string printFile = work.file("print.ps");
    std::ofstream(printFile) << "%!PS\nshowpage\n";

    InstantRunner runner;
    GhostscriptLocator locator;
    const AcceptingCheck check;
    GhostscriptStage stage(
        runner, [&] { return locator.locate(); }, check);
    BatchControl control;
    const ConversionOptions options = fullOptions();
    const PdfStage::Job job{printFile, "/docs/Report.docx", work.file("Report.pdf"), work.path()};
    for (auto _ : state) {
        stage.writePdf(job, options, control);
    }
    std::filesystem::remove_all(root);
}
BENCHMARK(stageOverheadPerFile)->Unit(benchmark::kMillisecond);

void childStartAndReap(benchmark::State& state) {
    PosixProcessRunner runner;
    BatchControl control;
    for (auto _ : state) {
        benchmark::DoNotOptimize(runner.run({"/bin/true"}, {}, control));
    }
}
BENCHMARK(childStartAndReap)->Unit(benchmark::kMillisecond);

// Reading an encrypted one-page PDF back with qpdf, as every encrypted conversion does.
void securityCheckPerFile(benchmark::State& state) {
    const auto root = std::filesystem::temp_directory_path() / "zarta-bench-check";
    std::filesystem::create_directories(root);
    const std::string pdf = (root / "page.pdf").string();
    PosixProcessRunner runner;
    BatchControl control;
    ProcessRunner::Settings settings;
    settings.standardInput = "-sOwnerPassword=owner\n-sUserPassword=user\n";
    const auto made = runner.run({GhostscriptLocator().locate(), "-q", "-dSAFER", "-dBATCH",
                                  "-dNOPAUSE", "-sDEVICE=pdfwrite", "-dCompatibilityLevel=1.4",
                                  "@/dev/stdin", "-dEncryptionR=3", "-dKeyLength=128",
                                  "-dPermissions=-4", "-sOutputFile=" + pdf, "-c", "showpage"},
                                 settings, control);
    if (!made.succeeded()) {
        state.SkipWithError("gs could not write the PDF");
        return;
    }
    const QpdfSecurityCheck check;
    const PdfSecurityCheck::Expectation expected{EncryptionLevel::High, "owner", "user", -4};
    for (auto _ : state) {
        check.verify(pdf, expected);
    }
    std::filesystem::remove_all(root);
}
BENCHMARK(securityCheckPerFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
