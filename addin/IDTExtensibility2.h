#pragma once

#include "addin/WordAddinIds.h"
#include "platform/com/IDispatch.h"
#include "platform/com/SafeArray.h"

namespace zarta::addin {

// Office's add-in interface (_IDTExtensibility2), through which the word processor connects
// and disconnects an add-in; dual, slots in Office's order. `custom` is passed by reference
// and not read by this add-in.
class IDTExtensibility2 : public com::IDispatch {
public:
    virtual com::HRESULT OnConnection(com::IDispatch* Application, com::LONG ConnectMode,
                                      com::IDispatch* AddInInst, com::SAFEARRAY** custom) = 0;
    virtual com::HRESULT OnDisconnection(com::LONG RemoveMode, com::SAFEARRAY** custom) = 0;
    virtual com::HRESULT OnAddInsUpdate(com::SAFEARRAY** custom) = 0;
    virtual com::HRESULT OnStartupComplete(com::SAFEARRAY** custom) = 0;
    virtual com::HRESULT OnBeginShutdown(com::SAFEARRAY** custom) = 0;

protected:
    ~IDTExtensibility2() = default;
};

} // namespace zarta::addin
