#include "app/regsvr/RegisterServerTool.h"

#include "engine/ProductNames.h"
#include "platform/com/ServerExports.h"
#include "platform/com/TrustedFile.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryError.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace zarta {

namespace {

constexpr std::string_view program = ProductNames::registerServerProgram;

void printUsage(std::ostream& err) {
    err << "usage: " << program << " [-u] MODULE\n";
}

// Also the source of the manual page.
void printHelp(std::ostream& out) {
    out << "Usage: " << program << " [-u] MODULE\n"
        << "Registers an in-process server module, such as the word-processor add-in "
           "(Plovra.so),\nfor the current user: loads MODULE and calls its DllRegisterServer "
           "(DllUnregisterServer\nwith -u). Registration records the module's full path.\n"
           "\n"
           "  -u          unregister the module\n"
           "  -h, --help  show this help and exit\n"
           "  --version   show the version and exit\n"
           "\n"
           "Exit status: 0 on success, 1 when the module reported a failure, 2 for a wrong "
           "command\nline, 3 when the module cannot be loaded, 4 when it is not a server.\n";
}

// Unloads the module when the call is done.
class LoadedModule {
public:
    explicit LoadedModule(const std::string& path)
        : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule() {
        if (handle_ != nullptr) {
            ::dlclose(handle_);
        }
    }
    void* handle() const { return handle_; }

private:
    void* handle_;
};

// The module tells a damaged registry file by its result only: say which file and where.
void reportDamagedHives(std::ostream& err) {
    const Registry registry = Registry::forCurrentUser();
    for (const RegistryHive hive :
         {RegistryHive::ClassesRoot, RegistryHive::CurrentUser, RegistryHive::LocalMachine}) {
        try {
            registry.read(hive);
        } catch (const RegistryError& error) {
            err << "zarta-regsvr: " << error.what() << "\n";
        }
    }
}

} // namespace

int RegisterServerTool::run(const std::vector<std::string>& arguments, std::ostream& out,
                            std::ostream& err) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        printHelp(out);
        return succeeded;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        out << program << " (" << ProductNames::product << ") " << ProductNames::version << "\n";
        return succeeded;
    }
    bool unregister = false;
    std::string module;
    for (const std::string& argument : arguments) {
        if (argument == "-u" && module.empty() && !unregister) {
            unregister = true;
        } else if (module.empty() && !argument.empty() && argument.front() != '-') {
            module = argument;
        } else {
            printUsage(err);
            return usageError;
        }
    }
    if (module.empty()) {
        printUsage(err);
        return usageError;
    }
    const std::string path = module.find('/') == std::string::npos ? "./" + module : module;

    struct stat info {};
    if (!unregister && ::stat(path.c_str(), &info) == 0) {
        if (const auto problem = com::TrustedFile::problem(path)) {
            err << "zarta-regsvr: warning: another user could change " << module << " (" << *problem
                << "); the word processor will not load it\n";
        }
    }

    LoadedModule loaded(path);
    if (loaded.handle() == nullptr) {
        const char* reason = ::dlerror();
        err << program << ": cannot load " << module << ": " << (reason ? reason : "unknown")
            << "\n";
        return moduleNotLoaded;
    }
    const char* entryName = unregister ? com::DllUnregisterServerName : com::DllRegisterServerName;
    void* entry = ::dlsym(loaded.handle(), entryName);
    if (entry == nullptr) {
        err << program << ": " << module << " has no entry point " << entryName << "\n";
        return entryPointMissing;
    }
    // Both entry points have the same shape.
    const auto call = reinterpret_cast<com::DllRegisterServerFunction>(entry);
    const com::HRESULT hr = call();
    std::string name = com::hresultName(hr);
    const std::string outcome = entryName + std::string(" in ") + module +
                                (com::SUCCEEDED(hr) ? " succeeded: " : " failed: ") +
                                (name.empty() ? "" : name + " ") + "(" + com::hresultHex(hr) +
                                ")\n";
    if (com::FAILED(hr)) {
        err << outcome;
        if (hr == com::HRESULT_FROM_WIN32(RegistryError::damaged)) {
            reportDamagedHives(err);
        }
        return callFailed;
    }
    out << outcome;
    return succeeded;
}

} // namespace zarta
