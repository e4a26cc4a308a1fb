// The module's four entry points, the only symbols it exports (see exports.map). No exception
// crosses them: a failure of memory is answered with E_OUTOFMEMORY.

#include "addin/CPlovraApp.h"
#include "addin/WordAddinRegistration.h"
#include "platform/com/ServerExports.h"

#include <new>
#include <type_traits>

using zarta::addin::theApp;
using zarta::addin::WordAddinRegistration;
namespace com = zarta::com;

extern "C" {

com::HRESULT DllCanUnloadNow() {
    return theApp().module().canUnloadNow();
}

com::HRESULT DllGetClassObject(com::REFCLSID rclsid, com::REFIID riid, void** ppv) {
    try {
        return theApp().module().getClassObject(rclsid, riid, ppv);
    } catch (const std::bad_alloc&) {
        return com::E_OUTOFMEMORY;
    }
}

com::HRESULT DllRegisterServer() {
    try {
        return WordAddinRegistration::registerServer(zarta::Registry::forCurrentUser(),
                                                     theApp().modulePath());
    } catch (const std::bad_alloc&) {
        return com::E_OUTOFMEMORY;
    }
}

com::HRESULT DllUnregisterServer() {
    try {
        return WordAddinRegistration::unregisterServer(zarta::Registry::forCurrentUser(),
                                                       theApp().modulePath());
    } catch (const std::bad_alloc&) {
        return com::E_OUTOFMEMORY;
    }
}

} // extern "C"

// The declarations a loader uses must match these definitions.
static_assert(std::is_same_v<decltype(&DllCanUnloadNow), com::DllCanUnloadNowFunction>);
static_assert(std::is_same_v<decltype(&DllGetClassObject), com::DllGetClassObjectFunction>);
static_assert(std::is_same_v<decltype(&DllRegisterServer), com::DllRegisterServerFunction>);
static_assert(std::is_same_v<decltype(&DllUnregisterServer), com::DllUnregisterServerFunction>);
