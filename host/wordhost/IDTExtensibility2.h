#pragma once

#include "host/wordhost/WordHostIds.h"
#include "platform/com/IDispatch.h"
#include "platform/com/SafeArray.h"

namespace zarta::wordhost {

// The add-in interface (_IDTExtensibility2, IID_IDTExtensibility2), through which the word
// processor's host connects and disconnects an add-in; dual, slots in the office suite's
// order. Implemented by add-ins, called by the host on its user-interface thread. `custom` is
// passed by reference; the host owns it.
class IDTExtensibility2 : public com::IDispatch {
public:
    // `Application` is the host's application object (it answers IID_WordApplication).
    virtual com::HRESULT OnConnection(com::IDispatch* Application, com::LONG ConnectMode,
                                      com::IDispatch* AddInInst, com::SAFEARRAY** custom) = 0;
    virtual com::HRESULT OnDisconnection(com::LONG RemoveMode, com::SAFEARRAY** custom) = 0;
    virtual com::HRESULT OnAddInsUpdate(com::SAFEARRAY** custom) = 0;
    virtual com::HRESULT OnStartupComplete(com::SAFEARRAY** custom) = 0;
    virtual com::HRESULT OnBeginShutdown(com::SAFEARRAY** custom) = 0;

protected:
    ~IDTExtensibility2() = default;
};

} // namespace zarta::wordhost
