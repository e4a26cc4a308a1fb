#pragma once

#include "platform/com/ServerExports.h"
#include "platform/registry/Registry.h"

#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace zarta {

// Registers a COM server module into the registry files in `registryFolder`, as zarta-regsvr
// does: loads it, calls its DllRegisterServer with the registry relocated there, unloads it.
// E_FAIL when the module cannot be loaded or has no such entry point.
inline com::HRESULT registerModule(const std::string& module, const std::string& registryFolder) {
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return com::E_FAIL;
    }
    const auto registerServer = reinterpret_cast<com::DllRegisterServerFunction>(
        ::dlsym(handle, com::DllRegisterServerName));
    ::setenv(Registry::relocationVariable, registryFolder.c_str(), 1);
    const com::HRESULT result = registerServer != nullptr ? registerServer() : com::E_FAIL;
    ::unsetenv(Registry::relocationVariable);
    ::dlclose(handle);
    return result;
}

} // namespace zarta
