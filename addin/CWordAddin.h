#pragma once

#include "addin/ExtensibilityDispatch.h"
#include "addin/WordAddinDispatch.h"
#include "platform/com/ComModule.h"
#include "platform/com/ISupportErrorInfo.h"

namespace zarta::addin {

// The add-in object the word processor creates through the class object. Implements, in this
// order, ISupportErrorInfo, IWordAddin (its dispatch part from the type library) and the
// add-in interface; QueryInterface answers those, IUnknown, and IDispatch with the add-in
// interface; anything else gets E_NOINTERFACE.
//
// Aggregatable: made with an outer object, every interface's IUnknown methods go to the outer
// object, and the caller gets the inner unknown, which alone counts the object's references.
// Reference counting is plain (the object lives in one apartment); each live object holds one
// lock on the module from construction to destruction.
class CWordAddin final : public com::ISupportErrorInfo,
                         public WordAddinDispatch,
                         public ExtensibilityDispatch {
public:
    // The class object's creator: makes an object (aggregated when `outer` is given), queries
    // its inner unknown for `riid` and releases it again, so that an object whose query fails
    // is destroyed and the query's result returned.
    static com::HRESULT create(com::ComModule& module, com::IUnknown* outer, com::REFIID riid,
                               void** ppv);

    com::HRESULT QueryInterface(com::REFIID riid, void** ppvObject) override;
    com::ULONG AddRef() override;
    com::ULONG Release() override;

    // S_OK for IWordAddin, S_FALSE for every other interface.
    com::HRESULT InterfaceSupportsErrorInfo(com::REFIID riid) override;

    // The toolbar is not built yet: OnConnection answers E_NOTIMPL and connects nothing.
    com::HRESULT OnConnection(com::IDispatch* Application, com::LONG ConnectMode,
                              com::IDispatch* AddInInst, com::SAFEARRAY** custom) override;
    // Returns S_OK.
    com::HRESULT OnDisconnection(com::LONG RemoveMode, com::SAFEARRAY** custom) override;
    // Do nothing and return E_NOTIMPL.
    com::HRESULT OnAddInsUpdate(com::SAFEARRAY** custom) override;
    com::HRESULT OnStartupComplete(com::SAFEARRAY** custom) override;
    com::HRESULT OnBeginShutdown(com::SAFEARRAY** custom) override;

private:
    // The object's own IUnknown: the one that counts references and answers queries without
    // delegating.
    class InnerUnknown final : public com::IUnknown {
    public:
        explicit InnerUnknown(CWordAddin& owner) : owner_(owner) {}
        com::HRESULT QueryInterface(com::REFIID riid, void** ppvObject) override;
        com::ULONG AddRef() override;
        com::ULONG Release() override;

    private:
        CWordAddin& owner_;
    };

    CWordAddin(com::ComModule& module, com::IUnknown* outer);
    ~CWordAddin();
    CWordAddin(const CWordAddin&) = delete;
    CWordAddin& operator=(const CWordAddin&) = delete;

    com::HRESULT queryOwnInterface(com::REFIID riid, void** ppvObject);

    com::ComModule& module_;
    InnerUnknown inner_;
    com::IUnknown* controlling_; // the outer object, or inner_ when not aggregated
    com::ULONG references_ = 0;
};

} // namespace zarta::addin
