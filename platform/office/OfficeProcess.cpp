#include "platform/office/OfficeProcess.h"

#include "engine/FileDescriptor.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zarta {

namespace {

int decodeStatus(std::optional<int> status) {
    if (!status) {
        return -1; // could not be waited for: unknown, never taken for a clean end
    }
    if (WIFEXITED(*status)) {
        return WEXITSTATUS(*status);
    }
    return 128 + (WIFSIGNALED(*status) ? WTERMSIG(*status) : 0);
}

ChildProcess start(const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment, const std::string& logFile,
                   const std::string& temporaryFolder,
                   const OfficeProcess::Confinement& confinement) {
    const FileDescriptor input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const FileDescriptor output(
        ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!input.valid() || !output.valid()) {
        throw std::runtime_error(std::string("Couldn't prepare the office's output: ") +
                                 std::strerror(errno));
    }
    ChildProcess::Setup setup;
    setup.arguments = arguments;
    // The conversion office runs no word-processor add-ins, even where the add-in host is
    // installed for every profile: an add-in would act inside documents it does not own.
    std::vector<std::string> added = environment;
    added.push_back("TMPDIR=" + temporaryFolder);
    added.push_back(std::string(OfficeProcess::noAddinsVariable) + "=1");
    setup.environment = ChildProcess::environment(added, {});
    setup.input = input.get();
    setup.output = output.get();
    setup.error = output.get();
    setup.umask = 077;
    setup.addressSpaceBytes = confinement.addressSpaceBytes;
    setup.isolateNetwork = confinement.isolateNetwork;
    try {
        return ChildProcess(setup);
    } catch (const ChildProcess::StartError& error) {
        throw std::runtime_error(std::string("Couldn't start the office: ") + error.what());
    }
}

} // namespace

OfficeProcess::OfficeProcess(const std::vector<std::string>& arguments,
                             const std::vector<std::string>& environment,
                             const std::string& logFile, const std::string& temporaryFolder,
                             const Confinement& confinement)
    : child_(start(arguments, environment, logFile, temporaryFolder, confinement)) {}

std::optional<int> OfficeProcess::exitStatus() {
    if (!status_ && child_.hasEnded()) {
        reap();
    }
    return status_;
}

void OfficeProcess::kill() {
    child_.signalGroup(SIGKILL);
}

int OfficeProcess::waitOrKill(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exitStatus() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!status_) {
        reap();
    }
    return *status_;
}

void OfficeProcess::reap() {
    // Whatever the office left running in its group ends with it; the group cannot have been
    // reused while its leader is not reaped.
    child_.signalGroup(SIGKILL);
    status_ = decodeStatus(child_.reap());
}

std::uint64_t OfficeProcess::residentBytes() const {
    return status_ ? 0 : residentBytesOf(child_.pid());
}

std::uint64_t OfficeProcess::residentBytesOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    if (!(in >> size >> resident)) {
        return 0;
    }
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

} // namespace zarta
