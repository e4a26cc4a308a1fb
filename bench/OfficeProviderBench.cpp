// The LibreOffice provider's figures for a batch of generated multi-page Word documents: office
// start (fresh and warm profile), per-document open and print times (with the check of each print
// against the document's pages on its own), and resident memory of the office and of this
// process. Prints its figures; asserts nothing.
//
//   zarta_office_provider_bench [documents=20] [paragraphs per document=120]
#include "platform/office/OfficeApplicationFactory.h"

#include "engine/BatchControl.h"
#include "tests/support/TestDocuments.h"
#include "tests/support/WordCalls.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace zarta;
using namespace zarta::test;
using Clock = std::chrono::steady_clock;

namespace {

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct Summary {
    double mean, median, max;
};

// The page count of a PDF, from pdfinfo; 0 when unknown.
int pageCount(const std::string& pdf) {
    FILE* pipe = ::popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return 0;
    }
    int pages = 0;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::sscanf(line, "Pages: %d", &pages);
    }
    ::pclose(pipe);
    return pages;
}

Summary summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size()),
            values[values.size() / 2], values.back()};
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int paragraphs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 120;

    const auto root = std::filesystem::temp_directory_path() /
                      ("zarta-office-bench-" + std::to_string(::getpid()));
    const std::string profiles = (root / "profiles").string();
    const std::string documents = (root / "documents").string();
    std::filesystem::create_directories(documents);

    std::vector<std::string> files;
    double freshStart = 0;
    {
        TestDocuments maker(profiles);
        freshStart = milliseconds(maker.keeper().statistics().lastStartDuration);
        for (int i = 0; i < count; ++i) {
            const bool docx = i % 2 == 0;
            files.push_back(documents + "/report-" + std::to_string(i + 1) +
                            (docx ? ".docx" : ".doc"));
            maker.make(files.back(),
                       docx ? TestDocuments::Format::Docx : TestDocuments::Format::Doc,
                       TestDocuments::report(i + 1, paragraphs));
        }
    }

    OfficeSettings settings;
    settings.profileRoot = profiles;
    BatchControl control;
    std::vector<double> create, open, print, finish, total;
    std::uint64_t officePeak = 0;
    OfficeStatistics checks;
    double warmStart = 0;
    double firstPrintFile = 0;
    Clock::time_point shutdownStart;
    {
        OfficeApplicationFactory factory(settings);
        const auto batchStart = Clock::now();
        for (const std::string& file : files) {
            const auto t0 = Clock::now();
            auto application = factory.create("Word.Application", control);
            if (!application) {
                std::fprintf(stderr, "no office: %s\n", factory.lastFailure().c_str());
                return 1;
            }
            application->putVisible(WordVariant::Bool(false));
            application->putActivePrinter(WordVariant::Text("ZartaWordToPDF"));
            auto wordDocuments = application->getDocuments();
            const auto t1 = Clock::now();
            auto openArgs = openArguments(file, WordVariant::Text("x"));
            auto document = wordDocuments->Open(openArgs);
            const auto t2 = Clock::now();
            auto printArgs = printArguments(documents + "/job.pdf");
            document->PrintOut(printArgs);
            while (application->getBackgroundPrintingStatus() > 0) {
                control.sleepFor(std::chrono::milliseconds(10));
            }
            const auto t3 = Clock::now();
            auto closeArgs = noSave();
            document->Close(closeArgs);
            auto quitArgs = noSave();
            application->Quit(quitArgs);
            document.reset();
            wordDocuments.reset();
            application.reset();
            const auto t4 = Clock::now();
            if (create.empty()) {
                warmStart = milliseconds(factory.statistics().lastStartDuration);
                firstPrintFile = milliseconds(t3 - batchStart);
            }
            create.push_back(milliseconds(t1 - t0));
            open.push_back(milliseconds(t2 - t1));
            print.push_back(milliseconds(t3 - t2));
            finish.push_back(milliseconds(t4 - t3));
            total.push_back(milliseconds(t4 - t0));
        }
        officePeak = factory.statistics().peakResidentBytes;
        checks = factory.statistics();
        shutdownStart = Clock::now();
    }
    const double shutdown = milliseconds(Clock::now() - shutdownStart);
    const int pages = pageCount(documents + "/job.pdf");

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);

    std::printf("LibreOffice provider, %d documents of %d paragraphs, %d pages each (half .docx, "
                "half .doc)\n",
                count, paragraphs, pages);
    std::printf("  office start, fresh profile  %8.0f ms\n", freshStart);
    std::printf("  office start, warm profile   %8.0f ms\n", warmStart);
    std::printf("  first print file after       %8.0f ms (batch start, office start included)\n",
                firstPrintFile);
    const auto line = [](const char* name, const std::vector<double>& values, bool skipFirst) {
        const Summary all = summarise(skipFirst && values.size() > 1
                                          ? std::vector<double>(values.begin() + 1, values.end())
                                          : values);
        std::printf("  %-28s %8.1f ms mean %8.1f median %8.1f max\n", name, all.mean, all.median,
                    all.max);
    };
    line("create session (warm office)", create, true);
    line("open document", open, false);
    line("print to file", print, false);
    if (checks.printsChecked > 0) {
        std::printf("  %-28s %8.1f ms mean (in print to file; %d prints)\n",
                    "print check (pages, read back)",
                    milliseconds(checks.printCheckDuration) / checks.printsChecked,
                    checks.printsChecked);
    }
    line("close and quit", finish, false);
    line("whole session (warm office)", total, true);
    std::printf("  office shutdown (factory end) %7.0f ms\n", shutdown);
    std::printf("  peak resident memory, office %8.1f MiB\n",
                static_cast<double>(officePeak) / (1024.0 * 1024.0));
    std::printf("  peak resident memory, self   %8.1f MiB\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}
