#pragma once

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

namespace zarta::com {

// The four entry points of an in-process server module, as a loader finds them by name.
using DllCanUnloadNowFunction = HRESULT (*)();
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
using DllRegisterServerFunction = HRESULT (*)();
using DllUnregisterServerFunction = HRESULT (*)();

constexpr const char* DllCanUnloadNowName = "DllCanUnloadNow";
constexpr const char* DllGetClassObjectName = "DllGetClassObject";
constexpr const char* DllRegisterServerName = "DllRegisterServer";
constexpr const char* DllUnregisterServerName = "DllUnregisterServer";

} // namespace zarta::com
