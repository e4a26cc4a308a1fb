#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/IDispatch.h"

#include <atomic>
#include <string>

namespace zarta::wordhost {

// The add-in instance object a host hands to OnConnection: it stands for the add-in in the host's
// list and knows its ProgID. It has no members reachable by late binding (GetIDsOfNames answers
// DISP_E_UNKNOWNNAME, Invoke DISP_E_MEMBERNOTFOUND) and answers IUnknown and IDispatch only.
// Reference counted; any thread.
class AddinInstance final : public com::IDispatch {
public:
    static com::ComPtr<com::IDispatch> create(std::string progId);

    const std::string& progId() const { return progId_; }

    com::HRESULT QueryInterface(com::REFIID riid, void** ppvObject) override;
    com::ULONG AddRef() override;
    com::ULONG Release() override;
    com::HRESULT GetTypeInfoCount(com::UINT* pctinfo) override;
    com::HRESULT GetTypeInfo(com::UINT iTInfo, com::LCID lcid, com::ITypeInfo** ppTInfo) override;
    com::HRESULT GetIDsOfNames(com::REFIID riid, com::LPOLESTR* rgszNames, com::UINT cNames,
                               com::LCID lcid, com::DISPID* rgDispId) override;
    com::HRESULT Invoke(com::DISPID dispIdMember, com::REFIID riid, com::LCID lcid,
                        com::WORD wFlags, com::DISPPARAMS* pDispParams, com::VARIANT* pVarResult,
                        com::EXCEPINFO* pExcepInfo, com::UINT* puArgErr) override;

private:
    explicit AddinInstance(std::string progId) : progId_(std::move(progId)) {}
    ~AddinInstance() = default;

    std::string progId_;
    std::atomic<com::ULONG> references_{1};
};

} // namespace zarta::wordhost
