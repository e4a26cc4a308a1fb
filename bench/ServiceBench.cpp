// The conversion service against converting in each program's own process: one small document
// by zarta-convert ten times in a row (wall time per call, median and worst), the office's own
// --convert-to of the same file, and the desktop's and the add-in dialog's way to their first
// PDF (the programs' converter factory and batch worker, as they run them, without their
// windows). Prints its figures; never fails on them.
//
// Usage: zarta_service_bench [document]   (default: samples/welcome.docx)

#include "engine/BatchControl.h"
#include "engine/BatchPage.h"
#include "engine/BatchWorker.h"
#include "engine/QuietPrintWatch.h"
#include "engine/UserPrompts.h"
#include "platform/folders/DataFolders.h"
#include "platform/pipeline/OfficeConverterFactory.h"
#include "platform/service/ServiceConverterFactory.h"
#include "platform/service/ServiceStatus.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace zarta;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double timed(const std::function<void()>& work) {
    const auto begun = Clock::now();
    work();
    return seconds(Clock::now() - begun);
}

void report(const std::string& what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const double median = times.size() % 2 == 1
                              ? times[times.size() / 2]
                              : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::printf("%-58s median %6.3f s  worst %6.3f s  (%zu calls)\n", what.c_str(), median,
                times.back(), times.size());
}

int failures = 0;

void run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        ++failures;
    }
}

// The page of a one-file batch: notes when its file is reported.
class FirstPdfPage : public BatchPage {
public:
    FirstPdfPage(std::string file, std::string folder)
        : file_(std::move(file)), folder_(std::move(folder)) {}
    int fileCount() override { return 1; }
    std::string fileAt(int) override { return file_; }
    std::string destinationFolder() override { return folder_; }
    bool askReplace(const std::string&) override { return true; }
    bool replacesWithoutAsking() override { return true; }
    void fileReported(const FileReport& report) override {
        reported = Clock::now();
        converted = report.result == FileReport::Result::Converted;
    }
    void batchFinished(const BatchSummary&) override {}

    Clock::time_point reported;
    bool converted = false;

private:
    std::string file_;
    std::string folder_;
};

class NoPrompts : public UserPrompts {
public:
    void showMessage(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    std::optional<std::string> askPassword(const std::string&, bool) override {
        return std::nullopt;
    }
};

// From Convert to the first PDF, with the factory as a program builds it.
double firstPdf(ConverterFactory& factory, const ConverterFactory::Request& request,
                const std::string& document, const std::string& out) {
    FirstPdfPage page(document, out);
    NoPrompts prompts;
    QuietPrintWatch watch;
    BatchControl control;
    const auto convert = Clock::now();
    auto converters = factory.makeConverters(request, prompts, watch);
    std::vector<FileConverter*> lanes;
    for (auto& converter : converters) {
        lanes.push_back(converter.get());
    }
    BatchWorker worker(page, lanes, prompts, control, {}, factory.dataFolder());
    worker.setStartDelay(std::chrono::milliseconds(0));
    worker.runBatch();
    if (!page.converted) {
        ++failures;
    }
    return seconds(page.reported - convert);
}

void stopService() {
    if (const auto status = ServiceStatus::query(nullptr)) {
        ::kill(static_cast<pid_t>(status->pid), SIGTERM);
        for (int i = 0; i < 100 && ServiceStatus::query(nullptr); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string document =
        argc > 1 ? fs::absolute(argv[1]).string() : std::string(ZARTA_SAMPLES_DIR "/welcome.docx");
    const std::string scratch =
        fs::temp_directory_path() / ("zarta-service-bench-" + std::to_string(::getpid()));
    fs::create_directories(scratch + "/run");
    fs::permissions(scratch + "/run", fs::perms::owner_all);
    // A service of the benchmark's own; the build's data folder keeps the office profile warm.
    ::setenv("XDG_RUNTIME_DIR", (scratch + "/run").c_str(), 1);
    ::setenv("XDG_DATA_HOME", ZARTA_TEST_DATA_HOME, 1);
    ::setenv("ZARTA_SERVICE_PROGRAM", ZARTA_SERVICE, 1);
    ::unsetenv("ZARTA_NO_SERVICE");
    const std::string out = scratch + "/out";
    fs::create_directories(out);
    DataFolders::prepare(DataFolders::dataFolder());
    const std::string convert =
        std::string("'" ZARTA_CONVERT "' --overwrite --out '") + out + "' '" + document + "'";
    std::printf("document: %s\n\n", document.c_str());

    std::vector<double> inProcess;
    for (int i = 0; i < 10; ++i) {
        inProcess.push_back(timed([&] { run(convert + " --no-service"); }));
    }
    report("zarta-convert --no-service", inProcess);

    const double cold = timed([&] { run(convert); });
    std::vector<double> warm;
    for (int i = 0; i < 10; ++i) {
        warm.push_back(timed([&] { run(convert); }));
    }
    std::printf("%-58s %6.3f s\n", "zarta-convert, service started by the call", cold);
    report("zarta-convert with the service running", warm);

    const std::string profile = scratch + "/export-profile";
    std::vector<double> office;
    for (int i = 0; i < 10; ++i) {
        office.push_back(timed([&] {
            run("soffice -env:UserInstallation=file://" + profile +
                " --headless --convert-to pdf --outdir '" + scratch + "/export' '" + document +
                "'");
        }));
    }
    report("the office's own --convert-to (one call per file)", office);
    std::printf("\n");

    // The desktop program: the service is asked to warm up as the window opens; Convert comes
    // after the user has chosen files (ten seconds here).
    stopService();
    {
        ServiceConverterFactory desktop(DataFolders::dataFolder(), true);
        desktop.warmUpInBackground();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        std::printf("%-58s %6.3f s\n", "desktop: first PDF after Convert, service warmed",
                    firstPdf(desktop, {}, document, out));
    }
    {
        OfficeConverterFactory desktop(DataFolders::dataFolder());
        std::printf("%-58s %6.3f s\n", "desktop: first PDF after Convert, in-process",
                    firstPdf(desktop, {}, document, out));
    }

    // The add-in's dialog: one file, no password prompt, with the service running from earlier
    // use (the host's office is the word processor's own and is not used for conversions).
    ConverterFactory::Request addin;
    addin.askForPasswords = false;
    addin.count = 1;
    {
        ServiceConverterFactory dialog(DataFolders::dataFolder(), true);
        std::printf("%-58s %6.3f s\n", "add-in dialog: PDF after the click, service running",
                    firstPdf(dialog, addin, document, out));
    }
    {
        OfficeConverterFactory dialog(DataFolders::dataFolder());
        std::printf("%-58s %6.3f s\n", "add-in dialog: PDF after the click, in-process",
                    firstPdf(dialog, addin, document, out));
    }

    stopService();
    fs::remove_all(scratch);
    std::printf("\ncalls that failed: %d\n", failures);
    return 0;
}
