#include "tests/support/OfficeTestSupport.h"

#include "tests/support/WordCalls.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zarta::test {

std::string officeProfiles(const std::string& suite) {
    if (const char* folder = std::getenv("ZARTA_TEST_OFFICE_PROFILES");
        folder != nullptr && *folder != '\0') {
        return std::string(folder) + "/" + suite;
    }
    return (std::filesystem::temp_directory_path() / "zarta-test-office-profiles" / suite).string();
}

WordRun runWord(WordApplicationFactory& factory, BatchControl& control, const std::string& source,
                const WordVariant& password, const std::string& output) {
    WordRun run;
    auto application = factory.create("Word.Application", control);
    if (!application) {
        throw std::runtime_error("no Word application");
    }
    try {
        application->putVisible(WordVariant::Bool(false));
        application->putActivePrinter(WordVariant::Text("ZartaWordToPDF"));
        auto documents = application->getDocuments();
        auto openArgs = openArguments(source, password);
        auto document = documents->Open(openArgs);
        auto printArgs = printArguments(output);
        document->PrintOut(printArgs);
        while (application->getBackgroundPrintingStatus() > 0) {
            control.sleepFor(std::chrono::milliseconds(100));
        }
        auto closeArgs = noSave();
        document->Close(closeArgs);
        run.printed = true;
    } catch (const WordError& error) {
        run.error = error.kind();
        run.detail = error.what();
    }
    auto quitArgs = noSave();
    application->Quit(quitArgs);
    return run;
}

namespace {

std::string commandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) {
        return {};
    }
    std::string text;
    std::array<char, 4096> buffer{};
    while (std::size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) {
        text.append(buffer.data(), got);
    }
    return text;
}

} // namespace

ShellRun runShell(const std::string& command) {
    ShellRun run;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            run.output.append(buffer.data(), n);
        }
        const int status = ::pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

std::string pdfText(const std::string& path) {
    return commandOutput("pdftotext -enc UTF-8 '" + path + "' - 2>/dev/null");
}

int pdfImageCount(const std::string& path) {
    // Two heading lines, then one line per picture.
    const std::string list = commandOutput("pdfimages -list '" + path + "' 2>/dev/null");
    const auto lines = std::count(list.begin(), list.end(), '\n');
    return lines >= 2 ? static_cast<int>(lines - 2) : 0;
}

bool processRunning(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

bool processEnds(int pid) {
    for (int i = 0; i < 200 && processRunning(pid); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !processRunning(pid);
}

std::vector<int> processesMentioning(const std::string& text) {
    std::vector<int> found;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return found;
    }
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == ::getpid()) {
            continue;
        }
        const std::string folder = std::string("/proc/") + entry->d_name;
        std::string seen;
        for (const char* part : {"/cmdline", "/environ"}) {
            std::ifstream in(folder + part);
            seen.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::error_code error;
        seen += std::filesystem::read_symlink(folder + "/cwd", error).string();
        if (seen.find(text) != std::string::npos && processRunning(static_cast<int>(pid))) {
            found.push_back(static_cast<int>(pid));
        }
    }
    ::closedir(proc);
    return found;
}

} // namespace zarta::test
