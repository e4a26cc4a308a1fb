#pragma once

#include "host/wordhost/IDTExtensibility2.h"

namespace zarta::addin {

// The IDispatch part of the add-in interface. The word processor's host calls the add-in
// interface through its table of functions; late-bound calls are not served: no type
// information, no names, no members. The object deriving from it supplies IUnknown and the
// add-in methods.
class ExtensibilityDispatch : public wordhost::IDTExtensibility2 {
public:
    com::HRESULT GetTypeInfoCount(com::UINT* pctinfo) override;
    com::HRESULT GetTypeInfo(com::UINT iTInfo, com::LCID lcid, com::ITypeInfo** ppTInfo) override;
    com::HRESULT GetIDsOfNames(com::REFIID riid, com::LPOLESTR* rgszNames, com::UINT cNames,
                               com::LCID lcid, com::DISPID* rgDispId) override;
    com::HRESULT Invoke(com::DISPID dispIdMember, com::REFIID riid, com::LCID lcid,
                        com::WORD wFlags, com::DISPPARAMS* pDispParams, com::VARIANT* pVarResult,
                        com::EXCEPINFO* pExcepInfo, com::UINT* puArgErr) override;

protected:
    ~ExtensibilityDispatch() = default;
};

} // namespace zarta::addin
