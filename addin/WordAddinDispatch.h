#pragma once

#include "addin/IWordAddin.h"

namespace zarta::addin {

// The IDispatch part of IWordAddin, served from the add-in's type library: one type
// information (IWordAddin's), and since the interface has no members of its own, no name is
// known and nothing can be invoked. The object deriving from it supplies IUnknown.
class WordAddinDispatch : public IWordAddin {
public:
    com::HRESULT GetTypeInfoCount(com::UINT* pctinfo) override;
    com::HRESULT GetTypeInfo(com::UINT iTInfo, com::LCID lcid, com::ITypeInfo** ppTInfo) override;
    com::HRESULT GetIDsOfNames(com::REFIID riid, com::LPOLESTR* rgszNames, com::UINT cNames,
                               com::LCID lcid, com::DISPID* rgDispId) override;
    com::HRESULT Invoke(com::DISPID dispIdMember, com::REFIID riid, com::LCID lcid,
                        com::WORD wFlags, com::DISPPARAMS* pDispParams, com::VARIANT* pVarResult,
                        com::EXCEPINFO* pExcepInfo, com::UINT* puArgErr) override;

protected:
    ~WordAddinDispatch() = default;
};

} // namespace zarta::addin
