// Soak: zarta-convert, run as a user runs it, through a long batch of the project's own Word
// documents with two offices side by side: through the user's conversion service when that is
// the number of offices the service runs (the machine's), in the program's own process otherwise
// or with ZARTA_NO_SERVICE=1. A service it started is still there at the end (its office, its
// Ghostscript and that one's work folder), until its idle time ends. The batch cycles through the
// sample documents, the fidelity documents (scripts/make-fidelity-docs) and generated reports of
// one to twenty pages; one file in twenty is a hard case instead, in turn: damaged (cut short),
// protected by a password (none is given, so it is skipped), bomb-like (a package that would unpack
// to 200 MB, refused before any office opens it) and a hostile name (line breaks and an escape
// sequence, Latin-1 bytes, a 250-byte PDF name).
//
// Prints documents per second over time (every 30 seconds), the largest resident memory of the
// program and of each office process (offices are replaced after 200 documents), and what is left
// at the end: processes that mention the run's data folder, work folders, files in the data folder
// besides the office profile the program keeps, staging files in the destination, and the
// program's open descriptors (at its first sample and its last). Asserts nothing.
//
//   zarta_soak_bench [documents=1000] [offices=2]
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/TestDocuments.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace zarta::test;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double mib(std::uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// A file's content; what could be read of it when reading fails part way, as a /proc file of a
// process that ends meanwhile does.
std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string content;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        content.append(buffer, std::size_t(in.gcount()));
    }
    return content;
}

void write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// A field of /proc/PID/status in bytes (VmRSS, VmHWM); 0 when the process is gone.
std::uint64_t statusBytes(int pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stoull(line.substr(prefix.size())) * 1024;
        }
    }
    return 0;
}

int openDescriptors(int pid) {
    std::error_code error;
    int count = 0;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end;
         !error && it != end; it.increment(error)) {
        ++count;
    }
    return count;
}

std::string commandOf(int pid) {
    std::string line = read("/proc/" + std::to_string(pid) + "/cmdline");
    std::replace(line.begin(), line.end(), '\0', ' ');
    return line;
}

// Runs a command and waits for it; its exit status.
int run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The documents every ordinary file of the batch is a copy of.
std::vector<std::string> makeOrdinaryDocuments(const std::string& folder, TestDocuments& maker) {
    std::vector<std::string> documents;
    for (const auto& entry : fs::directory_iterator(ZARTA_SAMPLES_DIR)) {
        documents.push_back(entry.path().string());
    }
    const std::string fidelity = folder + "/fidelity";
    if (run({"python3", std::string(ZARTA_SCRIPTS_DIR) + "/make-fidelity-docs", fidelity}) == 0) {
        for (const auto& entry : fs::directory_iterator(fidelity)) {
            documents.push_back(entry.path().string());
        }
    } else {
        std::fprintf(stderr, "make-fidelity-docs failed; the batch goes without its documents\n");
    }
    const struct {
        const char* name;
        TestDocuments::Format format;
        int paragraphs;
    } reports[] = {{"report-1.docx", TestDocuments::Format::Docx, 15},
                   {"report-8.doc", TestDocuments::Format::Doc, 120},
                   {"report-20.docx", TestDocuments::Format::Docx, 300}};
    int number = 0;
    for (const auto& report : reports) {
        const std::string path = folder + "/" + report.name;
        maker.make(path, report.format, TestDocuments::report(++number, report.paragraphs));
        documents.push_back(path);
    }
    std::sort(documents.begin(), documents.end());
    return documents;
}

// A Word package that would unpack to 200 MB: a sample with a part of zeros added.
void makeBombLike(const std::string& path) {
    const std::string script =
        "import shutil, sys, zipfile\n"
        "shutil.copy(sys.argv[1], sys.argv[2])\n"
        "with zipfile.ZipFile(sys.argv[2], 'a', zipfile.ZIP_DEFLATED) as z:\n"
        "    z.writestr('word/media/padding.bin', bytes(200 << 20))\n";
    run({"python3", "-c", script, std::string(ZARTA_SAMPLES_DIR) + "/welcome.docx", path});
}

struct Corpus {
    std::vector<std::string> files;
    std::map<std::string, int> hardCases; // kind: how many
};

Corpus makeCorpus(const std::string& root, int count) {
    const std::string made = root + "/made";
    const std::string batch = root + "/batch";
    fs::create_directories(made);
    fs::create_directories(batch);
    TestDocuments maker(officeProfiles("soak-documents"));
    const std::vector<std::string> ordinary = makeOrdinaryDocuments(made, maker);
    const std::string password = "Soak 42";
    maker.make(made + "/locked.doc", TestDocuments::Format::Doc,
               TestDocuments::paragraph("Vertraulich"), password);
    maker.make(made + "/locked.docx", TestDocuments::Format::Docx,
               TestDocuments::paragraph("Vertraulich"), password);
    makeBombLike(made + "/bomb.docx");
    const std::string welcome = read(std::string(ZARTA_SAMPLES_DIR) + "/welcome.docx");

    Corpus corpus;
    const char* kinds[] = {"damaged", "protected", "bomb-like", "hostile name"};
    int hard = 0;
    for (int i = 0; i < count; ++i) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%04d ", i);
        const std::string& source = ordinary[static_cast<std::size_t>(i) % ordinary.size()];
        std::string path;
        if (i % 20 != 19) {
            path = batch + "/" + prefix + fs::path(source).filename().string();
            fs::copy_file(source, path);
        } else {
            const std::string kind = kinds[hard % 4];
            ++corpus.hardCases[kind];
            if (kind == "damaged") {
                path = batch + "/" + prefix + "damaged.docx";
                write(path, welcome.substr(0, welcome.size() / 3));
            } else if (kind == "protected") {
                path = batch + "/" + prefix + ((hard / 4) % 2 == 0 ? "locked.doc" : "locked.docx");
                fs::copy_file(made + "/" + fs::path(path).filename().string().substr(5), path);
            } else if (kind == "bomb-like") {
                path = batch + "/" + prefix + "bomb.docx";
                fs::copy_file(made + "/bomb.docx", path);
            } else {
                const std::string names[] = {"evil\nwrote x.pdf\nComplete!\n\x1b[31mred",
                                             "caf\xE9 men\xFC", std::string(241, 'n')};
                path = batch + "/" + prefix + names[(hard / 4) % 3] + ".docx";
                write(path, welcome);
            }
            ++hard;
        }
        corpus.files.push_back(path);
    }
    return corpus;
}

// What the sampler saw of one process.
struct Peak {
    std::string what;
    Clock::time_point first;
    Clock::time_point last;
    std::uint64_t resident = 0;
};

int countFiles(const fs::path& folder, const fs::path& skip = {}) {
    int count = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (!skip.empty() && it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        count += it->is_directory() ? 0 : 1;
    }
    return count;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int offices = argc > 2 ? std::atoi(argv[2]) : 2;
    const std::string root = (fs::temp_directory_path() / "zarta-soak").string();
    fs::remove_all(root);
    fs::create_directories(root);
    std::printf("Preparing %d documents in %s ...\n", count, root.c_str());
    std::fflush(stdout);
    const Corpus corpus = makeCorpus(root, count);
    std::printf("Hard cases:");
    for (const auto& [kind, number] : corpus.hardCases) {
        std::printf(" %d %s", number, kind.c_str());
    }
    std::printf("\n");

    const std::string data = root + "/data";
    const std::string out = root + "/out";
    fs::create_directories(out);
    std::vector<std::string> arguments{ZARTA_CONVERT, "--out", out, "--no-overwrite"};
    arguments.insert(arguments.end(), corpus.files.begin(), corpus.files.end());
    std::vector<char*> argv2;
    for (auto& argument : arguments) {
        argv2.push_back(argument.data());
    }
    argv2.push_back(nullptr);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    ::setenv("ZARTA_OFFICES", std::to_string(offices).c_str(), 1);

    int output[2];
    if (::pipe(output) != 0) {
        return 1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, output[1], 2);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, output[1]);
    pid_t program = 0;
    const auto start = Clock::now();
    if (::posix_spawn(&program, argv2[0], &actions, nullptr, argv2.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", ZARTA_CONVERT);
        return 1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);

    std::printf("\n%8s %9s %12s %12s %12s %8s %12s\n", "seconds", "documents", "docs/s (30s)",
                "docs/s (all)", "program MiB", "offices", "descriptors");
    std::string pending;
    std::string transcript;
    int converted = 0;
    int refused = 0;
    // The program's lines: "wrote ..." for a PDF, "zarta-convert: ..." for a file it could not
    // convert (names in them are escaped, so a name never makes a line of its own).
    const auto take = [&](const std::string& line) {
        transcript += line + "\n";
        converted += line.rfind("wrote ", 0) == 0 ? 1 : 0;
        refused += line.rfind("zarta-convert: ", 0) == 0 ? 1 : 0;
    };
    const auto takeLines = [&] {
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            take(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    };
    int lastDone = 0;
    auto lastReport = start;
    auto lastSample = start - std::chrono::seconds(1);
    std::uint64_t programPeak = 0;
    int firstDescriptors = -1;
    int lastDescriptors = -1;
    int mostDescriptors = 0;
    std::map<int, Peak> peaks; // by pid: the offices and Ghostscripts of the run
    bool ended = false;
    int status = 0;
    while (!ended) {
        pollfd watched{output[0], POLLIN, 0};
        if (::poll(&watched, 1, 200) > 0) {
            char buffer[65536];
            const ssize_t got = ::read(output[0], buffer, sizeof buffer);
            if (got > 0) {
                pending.append(buffer, static_cast<std::size_t>(got));
                takeLines();
            }
        }
        const auto now = Clock::now();
        if (now - lastSample >= std::chrono::seconds(1)) {
            lastSample = now;
            programPeak = std::max(programPeak, statusBytes(program, "VmHWM"));
            if (const int descriptors = openDescriptors(program); descriptors > 0) {
                firstDescriptors = firstDescriptors < 0 ? descriptors : firstDescriptors;
                lastDescriptors = descriptors;
                mostDescriptors = std::max(mostDescriptors, descriptors);
            }
            for (const int pid : processesMentioning(data)) {
                const std::string command = commandOf(pid);
                const bool office = command.find("soffice") != std::string::npos;
                Peak& peak = peaks[pid];
                if (peak.what.empty()) {
                    peak.what = office ? "office" : command.substr(0, command.find(' '));
                    peak.first = now;
                }
                peak.last = now;
                peak.resident = std::max(peak.resident, statusBytes(pid, "VmHWM"));
            }
        }
        if (now - lastReport >= std::chrono::seconds(30)) {
            const int done = converted + refused;
            const int officesNow =
                static_cast<int>(std::count_if(peaks.begin(), peaks.end(), [&](const auto& entry) {
                    return entry.second.what == "office" && entry.second.last == lastSample;
                }));
            std::printf("%8.0f %9d %12.2f %12.2f %12.0f %8d %12d\n", seconds(now - start), done,
                        (done - lastDone) / seconds(now - lastReport), done / seconds(now - start),
                        mib(statusBytes(program, "VmRSS")), officesNow, openDescriptors(program));
            std::fflush(stdout);
            lastDone = done;
            lastReport = now;
        }
        if (::waitpid(program, &status, WNOHANG) == program) {
            ended = true;
        }
    }
    for (char buffer[65536];;) {
        const ssize_t got = ::read(output[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
    }
    takeLines();
    if (!pending.empty()) {
        take(pending);
    }
    ::close(output[0]);
    const double total = seconds(Clock::now() - start);
    write(root + "/transcript.txt", transcript);

    std::printf("\n%d documents in %.0f s: %.2f documents per second; %d PDFs written, %d files "
                "refused or failed (with a message each); exit status %d\n",
                count, total, count / total, converted, refused,
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::printf("Largest resident memory: the program %.0f MiB\n", mib(programPeak));
    int officeNumber = 0;
    std::uint64_t ghostscriptPeak = 0;
    int ghostscripts = 0;
    for (const auto& [pid, peak] : peaks) {
        if (peak.what == "office") {
            std::printf("  office %d (pid %d, %.0f s to %.0f s): %.0f MiB\n", ++officeNumber, pid,
                        seconds(peak.first - start), seconds(peak.last - start),
                        mib(peak.resident));
        } else {
            ++ghostscripts;
            ghostscriptPeak = std::max(ghostscriptPeak, peak.resident);
        }
    }
    std::printf("  largest of %d other child processes (Ghostscript): %.0f MiB\n", ghostscripts,
                mib(ghostscriptPeak));

    ::sleep(2); // what the program ended is given a moment to go
    const std::string programData = data + "/ZartaWordToPDF";
    int workFolders = 0;
    std::error_code error;
    for (fs::directory_iterator it(programData, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        workFolders += name.rfind("conversion-", 0) == 0 || name.rfind(".new-", 0) == 0 ? 1 : 0;
    }
    int profileTemporaries = 0;
    for (fs::directory_iterator it(programData + "/office", error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_directory()) {
            profileTemporaries += countFiles(it->path() / "tmp");
        }
    }
    int staging = 0;
    for (fs::directory_iterator it(out, error), end; !error && it != end; it.increment(error)) {
        staging += it->path().filename().string().rfind(".", 0) == 0 ? 1 : 0;
    }
    std::printf("Left at the end:\n");
    std::printf("  processes mentioning the data folder: %zu\n", processesMentioning(data).size());
    std::printf("  work folders: %d\n", workFolders);
    std::printf("  files in the data folder besides the office profile: %d\n",
                countFiles(programData, programData + "/office"));
    std::printf("  files in the office profiles' temporary folders (the office's own, emptied at "
                "its next start): %d\n",
                profileTemporaries);
    std::printf("  staging files in the destination: %d\n", staging);
    std::printf("  the program's open descriptors: %d at its first sample, %d at its last "
                "(most %d)\n",
                firstDescriptors, lastDescriptors, mostDescriptors);
    std::printf("Transcript: %s/transcript.txt\n", root.c_str());
    return 0;
}
