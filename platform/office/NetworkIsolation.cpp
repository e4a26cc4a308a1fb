#include "platform/office/NetworkIsolation.h"

#include "engine/FileDescriptor.h"
#include "platform/process/ChildProcess.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>

namespace zarta {

namespace {

bool probe() {
    const FileDescriptor nothing(::open("/dev/null", O_RDWR | O_CLOEXEC));
    ChildProcess::Setup setup;
    setup.arguments = {"/bin/true"};
    setup.input = setup.output = setup.error = nothing.get();
    setup.isolateNetwork = true;
    try {
        ChildProcess child(setup);
        child.reap();
        return child.networkIsolated();
    } catch (const ChildProcess::StartError&) {
        return false;
    }
}

} // namespace

bool NetworkIsolation::available() {
    static const bool isolated = probe();
    return isolated;
}

bool NetworkIsolation::required() {
    const char* value = std::getenv(requireVariable);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

std::optional<NetworkIsolation::Notice> NetworkIsolation::notice() {
    if (available()) {
        return std::nullopt;
    }
    if (required()) {
        return Notice{true, refusal()};
    }
    return Notice{false, "the word processor runs with network access: this system lets the "
                         "program make no network namespace for it (nor a user namespace to make "
                         "one in). Its settings still keep it from fetching what documents link "
                         "to, but nothing on the system enforces that. To convert nothing "
                         "without isolation, set " +
                             std::string(requireVariable) +
                             "=1 (zarta-convert: --require-isolation)."};
}

std::string NetworkIsolation::refusal() {
    return "nothing was converted: the word processor would run with network access, as this "
           "system lets the program make no network namespace for it, and isolation is required "
           "(" +
           std::string(requireVariable) + "=1).";
}

} // namespace zarta
