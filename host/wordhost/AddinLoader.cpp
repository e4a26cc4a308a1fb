#include "host/wordhost/AddinLoader.h"

#include "host/wordhost/AddinInstance.h"
#include "platform/com/Bstr.h"
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"
#include "platform/com/IClassFactory.h"
#include "platform/com/ServerExports.h"
#include "platform/com/TrustedFile.h"
#include "platform/registry/RegistryError.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>

namespace zarta::wordhost {

namespace {

// The text of a key's unnamed value, or nothing.
std::optional<std::string> defaultText(const RegistryKey& root, const std::string& path) {
    const RegistryKey* key = root.find(path);
    if (key == nullptr) {
        return std::nullopt;
    }
    const RegistryValue* value = key->value("");
    if (value == nullptr || value->type != RegistryValue::Type::String || value->text.empty()) {
        return std::nullopt;
    }
    return value->text;
}

std::optional<std::uint32_t> number(const RegistryKey& key, const char* name) {
    const RegistryValue* value = key.value(name);
    if (value == nullptr || value->type != RegistryValue::Type::Dword) {
        return std::nullopt;
    }
    return value->number;
}

std::string describe(com::HRESULT result) {
    return com::hresultName(result) + " (" + com::hresultHex(result) + ")";
}

// Why a hive's file must not be read: another user could change it (and so name a module of
// theirs). A hive without a file is empty and can be read.
std::optional<std::string> untrustedHive(const Registry& registry, RegistryHive hive) {
    const std::string file = registry.hiveFile(hive);
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0 && errno == ENOENT) {
        return std::nullopt;
    }
    return com::TrustedFile::problem(file);
}

} // namespace

AddinLoader::AddinLoader(Registry registry, Log log)
    : registry_(std::move(registry)), log_(std::move(log)) {}

AddinLoader::~AddinLoader() {
    disconnectAll();
}

std::vector<std::string> AddinLoader::connected() const {
    std::vector<std::string> names;
    for (const Loaded& loaded : loaded_) {
        names.push_back(loaded.progId);
    }
    return names;
}

void AddinLoader::connectAll(com::IDispatch* application, bool withUserInterface) {
    if (const auto problem = untrustedHive(registry_, RegistryHive::CurrentUser)) {
        log_("The add-in list is not read: another user could change it: " + *problem);
        return;
    }
    RegistryKey user;
    try {
        user = registry_.read(RegistryHive::CurrentUser);
    } catch (const RegistryError& error) {
        log_(std::string("The add-in list cannot be read: ") + error.what());
        return;
    }
    const RegistryKey* addins = user.find(addinsKey);
    if (addins == nullptr) {
        return;
    }
    for (const RegistryKey& entry : addins->subkeys()) {
        if (number(entry, "LoadBehavior") != 3u) {
            continue;
        }
        if (!withUserInterface && number(entry, "CommandLineSafe") != 1u) {
            continue;
        }
        connect(entry.name(), application);
    }
}

void AddinLoader::connect(const std::string& progId, com::IDispatch* application) {
    const auto skip = [&](const std::string& why) {
        log_("The add-in " + progId + " is not loaded: " + why);
    };
    if (const auto problem = untrustedHive(registry_, RegistryHive::ClassesRoot)) {
        return skip("another user could change the classes: " + *problem);
    }
    RegistryKey classes;
    try {
        classes = registry_.read(RegistryHive::ClassesRoot);
    } catch (const RegistryError& error) {
        return skip(std::string("the classes cannot be read: ") + error.what());
    }
    std::string versioned = progId;
    if (const auto current = defaultText(classes, progId + "\\CurVer")) {
        versioned = *current;
    }
    const auto clsidText = defaultText(classes, versioned + "\\CLSID");
    const auto clsid = clsidText ? com::GUID::parse(*clsidText) : std::nullopt;
    if (!clsid) {
        return skip("its ProgID names no class");
    }
    const auto modulePath = defaultText(classes, "CLSID\\" + *clsidText + "\\InprocServer32");
    if (!modulePath) {
        return skip("its class names no module");
    }
    struct stat moduleFile {};
    if (::stat(modulePath->c_str(), &moduleFile) != 0) {
        return skip("its module cannot be loaded: " + *modulePath + ": " + std::strerror(errno));
    }
    // Loading runs the module's code in this process: only a module no other user can change.
    if (const auto problem = com::TrustedFile::problem(*modulePath)) {
        return skip("its module " + *modulePath +
                    " is refused, another user could change it: " + *problem);
    }

    void* module = ::dlopen(modulePath->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* error = ::dlerror();
        return skip("its module cannot be loaded: " + std::string(error ? error : *modulePath));
    }
    auto getClassObject = reinterpret_cast<com::DllGetClassObjectFunction>(
        ::dlsym(module, com::DllGetClassObjectName));
    if (getClassObject == nullptr) {
        skip("its module " + *modulePath + " has no " + com::DllGetClassObjectName);
        unload(module, progId);
        return;
    }

    com::ComPtr<IDTExtensibility2> addin;
    {
        com::ComPtr<com::IClassFactory> factory;
        com::HRESULT result = getClassObject(*clsid, com::IID_IClassFactory, factory.putVoid());
        if (com::FAILED(result) || !factory) {
            skip("no class object: " + describe(result));
            unload(module, progId);
            return;
        }
        result = factory->CreateInstance(nullptr, IID_IDTExtensibility2, addin.putVoid());
        if (com::FAILED(result) || !addin) {
            skip("no add-in object: " + describe(result));
            addin.reset();
            factory.reset();
            unload(module, progId);
            return;
        }
    }
    const com::ComPtr<com::IDispatch> instance = AddinInstance::create(progId);
    const com::HRESULT result =
        addin->OnConnection(application, connectAtStartup, instance.get(), nullptr);
    if (com::FAILED(result)) {
        skip("OnConnection failed: " + describe(result));
        addin.reset();
        unload(module, progId);
        return;
    }
    loaded_.push_back({progId, module, std::move(addin)});
    log_("The add-in " + progId + " is connected");
}

void AddinLoader::disconnectAll() {
    while (!loaded_.empty()) {
        Loaded loaded = std::move(loaded_.back());
        loaded_.pop_back();
        loaded.addin->OnBeginShutdown(nullptr);
        loaded.addin->OnDisconnection(disconnectAtShutdown, nullptr);
        loaded.addin.reset();
        unload(loaded.module, loaded.progId);
    }
    // A module two add-ins share may only be free once the last of them is gone.
    for (auto it = busy_.begin(); it != busy_.end();) {
        it = unloadNow(it->first) ? busy_.erase(it) : std::next(it);
    }
    for (const auto& [module, progId] : busy_) {
        // Something of the module is still in use: it stays loaded for the rest of the process.
        log_("The add-in " + progId + " stays loaded: its module is still in use");
    }
    busy_.clear();
}

void AddinLoader::unload(void* module, const std::string& progId) {
    if (!unloadNow(module)) {
        busy_.emplace_back(module, progId);
    }
}

bool AddinLoader::unloadNow(void* module) {
    auto canUnloadNow =
        reinterpret_cast<com::DllCanUnloadNowFunction>(::dlsym(module, com::DllCanUnloadNowName));
    if (canUnloadNow != nullptr && canUnloadNow() != com::S_OK) {
        return false;
    }
    ::dlclose(module);
    return true;
}

} // namespace zarta::wordhost
