// Prints the Ghostscript stage's own overhead per file: locating gs, writing and removing the
// parameter files, building the command and checking the outcome, with a runner that returns at
// once after writing the output. A second figure gives what starting and reaping a trivial
// child costs with the real runner, the rest of the overhead a real run adds besides
// Ghostscript's own work.
#include "BatchControl.h"
#include "ConversionOptions.h"
#include "GhostscriptLocator.h"
#include "GhostscriptStage.h"
#include "PosixProcessRunner.h"
#include "WorkFolder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

using namespace zarta;

namespace {

class InstantRunner : public ProcessRunner {
public:
    Result run(const std::vector<std::string>& arguments, const Environment&,
               BatchControl&) override {
        for (const auto& argument : arguments) {
            if (argument.starts_with("-sOutputFile=")) {
                std::ofstream(argument.substr(13), std::ios::trunc) << "%PDF-1.4\n%%EOF\n";
            }
        }
        return Result{0, 0, {}, {}};
    }
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
    options.imagesCompression = "JPEG";
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
    GhostscriptStage stage(runner, [&] { return locator.locate(); });
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

} // namespace

BENCHMARK_MAIN();
