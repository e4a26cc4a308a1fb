#include "app/regsvr/RegisterServerTool.h"

#include "engine/ProductNames.h"
#include "platform/com/ServerExports.h"

#include <dlfcn.h>

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
        return callFailed;
    }
    out << outcome;
    return succeeded;
}

} // namespace zarta
