#pragma once

#include "platform/com/HResult.h"
#include "platform/com/TypeLibDescription.h"
#include "platform/registry/Registry.h"

#include <string>

namespace zarta {

// Registers a type library in HKEY_CLASSES_ROOT as the system does for a library whose
// interfaces are dual or OLE-automation compatible:
//
//     TypeLib\{LIBID}\<major>.<minor>           (default) = the library's help text
//     TypeLib\{LIBID}\<major>.<minor>\0\<platform> (default) = the module's full path
//     TypeLib\{LIBID}\<major>.<minor>\FLAGS      (default) = "0"
//     TypeLib\{LIBID}\<major>.<minor>\HELPDIR    (default) = the module's folder
//     Interface\{IID}                            (default) = the interface's name
//     Interface\{IID}\ProxyStubClsid and ProxyStubClsid32 (default) = the standard dispatch proxy
//     Interface\{IID}\TypeLib                    (default) = {LIBID}, "Version" = "<major>.<minor>"
//
// <platform> is `platform`, naming the module's binary format as "win32" and "win64" do on
// Windows. Unregistration deletes the version key and the interface keys with everything in
// them, and the library's key when no other version is left; what is already gone is no error.
// Each operation is one registry edit. Results: S_OK or HRESULT_FROM_WIN32 of the registry
// error. Any thread.
class TypeLibRegistrar {
public:
    static constexpr const char* platform = sizeof(void*) == 8 ? "linux64" : "linux32";
    // {00020424-0000-0000-C000-000000000046}: the proxy of dual and dispatch interfaces.
    static constexpr com::CLSID dispatchProxy{
        0x00020424, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    explicit TypeLibRegistrar(Registry registry) : registry_(std::move(registry)) {}

    com::HRESULT registerTypeLib(const com::TypeLibDescription& library,
                                 const std::string& modulePath) const;
    com::HRESULT unregisterTypeLib(const com::TypeLibDescription& library) const;

private:
    Registry registry_;
};

} // namespace zarta
