#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zarta {

// zarta-regsvr [-u] MODULE (or --help, --version alone): loads an in-process server module and
// calls its DllRegisterServer (DllUnregisterServer with -u), as the setup's registration step does.
//
// Prints the entry point called and its result as the HRESULT's name and value, on `out` when
// it succeeded and on `err` when it failed; a failure for a damaged registry file is followed by
// what is damaged in which file, at which line. Asked to register a module that another user
// could change (com::TrustedFile), which the word processor's add-in host refuses to load, it
// warns on `err` and registers it all the same. Exit status: 0 on success, 1 when the entry point
// returned a failure, 2 for a wrong command line, 3 when the module cannot be loaded, 4 when it
// lacks the entry point. A module named without "/" is taken from the working folder, not
// searched for along the library path.
class RegisterServerTool {
public:
    static constexpr int succeeded = 0;
    static constexpr int callFailed = 1;
    static constexpr int usageError = 2;
    static constexpr int moduleNotLoaded = 3;
    static constexpr int entryPointMissing = 4;

    static int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
};

} // namespace zarta
