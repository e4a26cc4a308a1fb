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
