#pragma once

#include "platform/com/IUnknown.h"

#include <atomic>
#include <mutex>
#include <span>
#include <vector>

namespace zarta::com {

// The state of one in-process server module: its object map, the class objects made from it,
// the module's lock count and the identity of its type library.
//
// init() and term() are called once each, at module load and unload, on the loading thread.
// Between them every member may be called from any thread: the lock count changes atomically
// and the class-object cache is guarded.
class ComModule {
public:
    // One creatable class: its identifier and the routine making its class object, which hands
    // back one reference (the one the module's cache keeps).
    struct ObjectEntry {
        const CLSID* clsid;
        HRESULT (*createClassObject)(ComModule& module, IUnknown** classObject);
    };

    ComModule() = default;
    ComModule(const ComModule&) = delete;
    ComModule& operator=(const ComModule&) = delete;
    ~ComModule();

    void init(std::span<const ObjectEntry> objectMap, const GUID& libid);
    // Releases the cached class objects. Objects still alive keep working; the module's lock
    // count is left as it is.
    void term();

    // Adds or removes one module lock and returns the new count.
    LONG lock();
    LONG unlock();
    LONG lockCount() const { return locks_.load(); }

    // The class object of `clsid`, made on first use and kept until term(), queried for `riid`.
    // CLASS_E_CLASSNOTAVAILABLE for a class not in the map; E_POINTER for a null `ppv`.
    HRESULT getClassObject(REFCLSID clsid, REFIID riid, void** ppv);

    // S_OK when no lock is held (live objects and LockServer each hold one), else S_FALSE.
    HRESULT canUnloadNow() const;

    const GUID& libid() const { return libid_; }

private:
    std::atomic<LONG> locks_{0};
    std::span<const ObjectEntry> objectMap_;
    GUID libid_;
    std::mutex cacheMutex_;
    std::vector<IUnknown*> classObjects_; // one per object-map entry, null until first use
};

} // namespace zarta::com
