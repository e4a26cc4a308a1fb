#include "addin/ButtonEventSink.h"

#include "addin/CWordAddin.h"

#include <array>

namespace zarta::addin {

namespace {

// One row of the sink's dispatch table: which event of which sink calls which handler, and
// the types its arguments must have, first to last. Handlers return nothing.
struct SinkEntry {
    int sink;
    com::DISPID dispid;
    std::array<com::VARTYPE, 2> parameters;
    void (CWordAddin::*handler)(com::IDispatch* Ctrl, com::VARIANT_BOOL* CancelDefault);
};

constexpr SinkEntry sinkMap[] = {
    {ButtonEventSink::sinkId,
     wordhost::DISPID_Click,
     {com::VT_DISPATCH, com::VT_BYREF | com::VT_BOOL},
     &CWordAddin::OnButtonClick},
};

} // namespace

com::HRESULT ButtonEventSink::QueryInterface(com::REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return com::E_POINTER;
    }
    if (riid == wordhost::DIID_CommandBarButtonEvents || riid == com::IID_IDispatch ||
        riid == com::IID_IUnknown) {
        *ppvObject = static_cast<com::IDispatch*>(this);
        AddRef();
        return com::S_OK;
    }
    *ppvObject = nullptr;
    return com::E_NOINTERFACE;
}

com::ULONG ButtonEventSink::AddRef() {
    return owner_.AddRef();
}

com::ULONG ButtonEventSink::Release() {
    return owner_.Release();
}

com::HRESULT ButtonEventSink::GetTypeInfoCount(com::UINT*) {
    return com::E_NOTIMPL;
}

com::HRESULT ButtonEventSink::GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) {
    return com::E_NOTIMPL;
}

com::HRESULT ButtonEventSink::GetIDsOfNames(com::REFIID, com::LPOLESTR*, com::UINT, com::LCID,
                                            com::DISPID*) {
    return com::E_NOTIMPL;
}

com::HRESULT ButtonEventSink::Invoke(com::DISPID dispIdMember, com::REFIID, com::LCID, com::WORD,
                                     com::DISPPARAMS* pDispParams, com::VARIANT*, com::EXCEPINFO*,
                                     com::UINT* puArgErr) {
    for (const SinkEntry& entry : sinkMap) {
        if (entry.sink != sinkId || entry.dispid != dispIdMember) {
            continue;
        }
        // The handler reads its arguments as the table types them: a call that does not match
        // is refused before any of them is touched.
        const com::UINT count = static_cast<com::UINT>(entry.parameters.size());
        if (pDispParams == nullptr || pDispParams->cArgs != count || pDispParams->cNamedArgs != 0 ||
            pDispParams->rgvarg == nullptr) {
            return com::DISP_E_BADPARAMCOUNT;
        }
        for (com::UINT i = 0; i < count; ++i) {
            // Arguments arrive last to first.
            if (pDispParams->rgvarg[count - 1 - i].vt != entry.parameters[i]) {
                if (puArgErr != nullptr) {
                    *puArgErr = count - 1 - i;
                }
                return com::DISP_E_TYPEMISMATCH;
            }
        }
        (owner_.*entry.handler)(pDispParams->rgvarg[1].pdispVal, pDispParams->rgvarg[0].pboolVal);
        return com::S_OK;
    }
    return com::S_OK;
}

} // namespace zarta::addin
