#pragma once

#include "host/wordhost/WordHostIds.h"
#include "platform/com/IDispatch.h"

namespace zarta::addin {

class CWordAddin;

// The add-in's event sink for its toolbar button's events (DIID_CommandBarButtonEvents): a
// dispatch-only object, part of the add-in object and living as long as it, handed to the
// button's connection point directly. Its references are the add-in object's: a host holding
// the sink keeps the add-in alive.
//
// Invoke dispatches by a table of one row, sink 1: DISPID_Click, stdcall, no result, the
// parameters (VT_DISPATCH, VT_BYREF | VT_BOOL), handler CWordAddin::OnButtonClick. Click must
// come with exactly those two positional arguments (DISP_E_BADPARAMCOUNT otherwise,
// DISP_E_TYPEMISMATCH with `puArgErr` naming the argument when a type differs). Any other
// DISPID does nothing and answers S_OK. Host's user-interface thread only.
class ButtonEventSink final : public com::IDispatch {
public:
    // The sink number of the button's events in the add-in's sink map.
    static constexpr int sinkId = 1;

    explicit ButtonEventSink(CWordAddin& owner) : owner_(owner) {}
    ButtonEventSink(const ButtonEventSink&) = delete;
    ButtonEventSink& operator=(const ButtonEventSink&) = delete;

    // DIID_CommandBarButtonEvents, IDispatch and IUnknown give the sink; anything else
    // E_NOINTERFACE.
    com::HRESULT QueryInterface(com::REFIID riid, void** ppvObject) override;
    com::ULONG AddRef() override;
    com::ULONG Release() override;

    // No type information and no names: E_NOTIMPL.
    com::HRESULT GetTypeInfoCount(com::UINT* pctinfo) override;
    com::HRESULT GetTypeInfo(com::UINT iTInfo, com::LCID lcid, com::ITypeInfo** ppTInfo) override;
    com::HRESULT GetIDsOfNames(com::REFIID riid, com::LPOLESTR* rgszNames, com::UINT cNames,
                               com::LCID lcid, com::DISPID* rgDispId) override;
    com::HRESULT Invoke(com::DISPID dispIdMember, com::REFIID riid, com::LCID lcid,
                        com::WORD wFlags, com::DISPPARAMS* pDispParams, com::VARIANT* pVarResult,
                        com::EXCEPINFO* pExcepInfo, com::UINT* puArgErr) override;

private:
    CWordAddin& owner_;
};

} // namespace zarta::addin
