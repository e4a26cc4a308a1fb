#include "platform/registry/TypeLibRegistrar.h"

#include "platform/registry/RegistryError.h"

namespace zarta {

namespace {

std::string versionText(const com::TypeLibDescription& library) {
    return std::to_string(library.majorVersion) + "." + std::to_string(library.minorVersion);
}

bool registersInterface(const com::TypeLibDescription::Interface& entry) {
    return (entry.typeFlags & (com::TYPEFLAG_FDUAL | com::TYPEFLAG_FOLEAUTOMATION)) != 0;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

} // namespace

com::HRESULT TypeLibRegistrar::registerTypeLib(const com::TypeLibDescription& library,
                                               const std::string& modulePath) const {
    const std::string libid = library.libid.toString();
    const std::string version = versionText(library);
    try {
        registry_.edit(RegistryHive::ClassesRoot, [&](RegistryKey& root) {
            RegistryKey& versionKey = root.create("TypeLib\\" + libid + "\\" + version);
            versionKey.setString("", library.helpString);
            versionKey.create(std::string("0\\") + platform).setString("", modulePath);
            versionKey.create("FLAGS").setString("", "0");
            versionKey.create("HELPDIR").setString("", folderOf(modulePath));
            for (const auto& entry : library.interfaces) {
                if (!registersInterface(entry)) {
                    continue;
                }
                RegistryKey& key = root.create("Interface\\" + entry.iid.toString());
                key.setString("", entry.name);
                key.create("ProxyStubClsid").setString("", dispatchProxy.toString());
                key.create("ProxyStubClsid32").setString("", dispatchProxy.toString());
                RegistryKey& typeLib = key.create("TypeLib");
                typeLib.setString("", libid);
                typeLib.setString("Version", version);
            }
        });
    } catch (const RegistryError& error) {
        return com::HRESULT_FROM_WIN32(error.code());
    }
    return com::S_OK;
}

com::HRESULT TypeLibRegistrar::unregisterTypeLib(const com::TypeLibDescription& library) const {
    const std::string libid = library.libid.toString();
    try {
        registry_.edit(RegistryHive::ClassesRoot, [&](RegistryKey& root) {
            if (RegistryKey* interfaces = root.find("Interface"); interfaces != nullptr) {
                for (const auto& entry : library.interfaces) {
                    if (registersInterface(entry)) {
                        interfaces->removeSubkey(entry.iid.toString());
                    }
                }
            }
            if (RegistryKey* typeLibs = root.find("TypeLib"); typeLibs != nullptr) {
                if (RegistryKey* key = typeLibs->find(libid); key != nullptr) {
                    key->removeSubkey(versionText(library));
                    if (key->empty()) {
                        typeLibs->removeSubkey(libid);
                    }
                }
            }
        });
    } catch (const RegistryError& error) {
        return com::HRESULT_FROM_WIN32(error.code());
    }
    return com::S_OK;
}

} // namespace zarta
