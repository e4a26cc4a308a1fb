#pragma once

#include "host/wordhost/IDTExtensibility2.h"
#include "platform/com/ComPtr.h"
#include "platform/com/IDispatch.h"
#include "platform/registry/Registry.h"

#include <functional>
#include <string>
#include <vector>

namespace zarta::wordhost {

// Loads the word processor's registered add-ins the way the word processor does, for a host that
// plays its part.
//
// connectAll() reads HKEY_CURRENT_USER\Software\Microsoft\Office\Word\Addins. Each subkey names an
// add-in by its ProgID; one whose "LoadBehavior" is 3 (and, when the host runs without a user
// interface, whose "CommandLineSafe" is 1) is loaded: its ProgID is resolved to a CLSID in
// HKEY_CLASSES_ROOT (following "CurVer"), the CLSID to its module ("InprocServer32"), the module
// is loaded, its class object taken with DllGetClassObject, one object created and asked for
// _IDTExtensibility2, and OnConnection called with the application object, the start-up connect
// mode and an add-in instance object that names the add-in. An add-in whose entry is incomplete,
// whose module cannot be loaded or lacks an entry point, or that fails any of these calls is
// reported through the log and skipped; the others are loaded all the same. Each add-in
// connected is noted in the log too.
//
// Nothing another local user could change is used: a registry file and a module are taken only
// when they and every folder above them belong to this user or root and no one else may write
// them (com::TrustedFile); otherwise the log names the path at fault and the add-in list, or
// the add-in, is skipped.
//
// disconnectAll() ends the connected add-ins in reverse order, as the word processor does at its
// end: OnBeginShutdown, OnDisconnection (host shutdown), the final release; a module is unloaded
// once DllCanUnloadNow answers S_OK (a module still in use after the last add-in has gone stays
// loaded, and is reported). The destructor disconnects what is still connected.
//
// Owned by the host's user-interface thread, which makes every call.
class AddinLoader {
public:
    // ext_cm_Startup and ext_dm_HostShutdown.
    static constexpr com::LONG connectAtStartup = 1;
    static constexpr com::LONG disconnectAtShutdown = 0;
    static constexpr const char* addinsKey = "Software\\Microsoft\\Office\\Word\\Addins";

    using Log = std::function<void(const std::string& message)>;

    AddinLoader(Registry registry, Log log);
    AddinLoader(const AddinLoader&) = delete;
    AddinLoader& operator=(const AddinLoader&) = delete;
    ~AddinLoader();

    void connectAll(com::IDispatch* application, bool withUserInterface);
    void disconnectAll();

    // The ProgIDs of the connected add-ins, in the order they were connected.
    std::vector<std::string> connected() const;

private:
    struct Loaded {
        std::string progId;
        void* module = nullptr;
        com::ComPtr<IDTExtensibility2> addin;
    };

    void connect(const std::string& progId, com::IDispatch* application);
    // Unloads the module when DllCanUnloadNow allows it, otherwise keeps it for a later try.
    void unload(void* module, const std::string& progId);
    bool unloadNow(void* module);

    Registry registry_;
    Log log_;
    std::vector<Loaded> loaded_;
    std::vector<std::pair<void*, std::string>> busy_; // modules still in use, with an add-in
};

} // namespace zarta::wordhost
