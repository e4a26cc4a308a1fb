#pragma once

#include "addin/ButtonEventSink.h"
#include "addin/ConvertDialogRunner.h"
#include "addin/ExtensibilityDispatch.h"
#include "addin/WordAddinDispatch.h"
#include "engine/ProductNames.h"
#include "host/wordhost/CommandBarButton.h"
#include "host/wordhost/WordApplication.h"
#include "platform/clipboard/Clipboard.h"
#include "platform/com/ComModule.h"
#include "platform/com/ComPtr.h"
#include "platform/com/IConnectionPoint.h"
#include "platform/com/ISupportErrorInfo.h"

namespace zarta::addin {

// The add-in object the word processor's host creates through the class object. Implements, in
// this order, ISupportErrorInfo, IWordAddin (its dispatch part from the type library) and the
// add-in interface; QueryInterface answers those, IUnknown, and IDispatch with the add-in
// interface; anything else gets E_NOINTERFACE. Its button's event sink is part of it but is
// not answered by QueryInterface.
//
// Aggregatable: made with an outer object, every interface's IUnknown methods go to the outer
// object, and the caller gets the inner unknown, which alone counts the object's references.
// Reference counting is plain: the host creates and calls the object on its user-interface
// thread only. Each live object holds one lock on the module from construction to destruction.
class CWordAddin final : public com::ISupportErrorInfo,
                         public WordAddinDispatch,
                         public ExtensibilityDispatch {
public:
    // The outside parts the object uses; they must outlive every object made with them.
    struct Ports {
        Clipboard& clipboard; // the button's face is handed to the host through it
        // Runs the convert dialog on a click; null: a click reads the active document and
        // shows nothing.
        ConvertDialogRunner* convertDialog;
    };

    // The text of the toolbar, of the button's caption, tooltip and tag.
    static constexpr const char* toolbarName = ProductNames::product.data();
    // The advise cookie while the button's events are not advised.
    static constexpr com::DWORD notAdvised = 0xFEFEFEFE;

    // The class object's creator: makes an object (aggregated when `outer` is given), queries
    // its inner unknown for `riid` and releases it again, so that an object whose query fails
    // is destroyed and the query's result returned.
    static com::HRESULT create(com::ComModule& module, const Ports& ports, com::IUnknown* outer,
                               com::REFIID riid, void** ppv);

    com::HRESULT QueryInterface(com::REFIID riid, void** ppvObject) override;
    com::ULONG AddRef() override;
    com::ULONG Release() override;

    // S_OK for IWordAddin, S_FALSE for every other interface.
    com::HRESULT InterfaceSupportsErrorInfo(com::REFIID riid) override;

    // Adds a temporary toolbar with one temporary button, both named toolbarName, gives the
    // button the add-in's picture through the clipboard (the host's own, where the application
    // answers IID_HostClipboard; the user's clipboard contents are put back right after the
    // button has taken the picture) and advises the event sink to the
    // button. Only `Application` is used; it must answer IID_WordApplication. Returns S_OK, or
    // the first failing call's code with nothing advised (what was already added to the host
    // stays there: it is temporary). E_FAIL when the sink is still advised from an earlier
    // connection.
    com::HRESULT OnConnection(com::IDispatch* Application, com::LONG ConnectMode,
                              com::IDispatch* AddInInst, com::SAFEARRAY** custom) override;
    // Unadvises the sink when it is advised and returns S_OK whatever that gave. The toolbar,
    // the button and the application stay held until the object goes.
    com::HRESULT OnDisconnection(com::LONG RemoveMode, com::SAFEARRAY** custom) override;
    // Do nothing and return E_NOTIMPL.
    com::HRESULT OnAddInsUpdate(com::SAFEARRAY** custom) override;
    com::HRESULT OnStartupComplete(com::SAFEARRAY** custom) override;
    com::HRESULT OnBeginShutdown(com::SAFEARRAY** custom) override;

    // The button's Click handler, called by the event sink: reads the host's active document,
    // its full name, whether it is saved and its window's handle, and runs the convert dialog
    // for that path (empty without a document or a name), releasing what it read afterwards.
    // `Ctrl` and `CancelDefault` are not used.
    void OnButtonClick(com::IDispatch* Ctrl, com::VARIANT_BOOL* CancelDefault);

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

    CWordAddin(com::ComModule& module, const Ports& ports, com::IUnknown* outer);
    ~CWordAddin();
    CWordAddin(const CWordAddin&) = delete;
    CWordAddin& operator=(const CWordAddin&) = delete;

    com::HRESULT queryOwnInterface(com::REFIID riid, void** ppvObject);
    // Steps of OnConnection from the bar onwards; the button is handed out when all succeeded.
    com::HRESULT addToolbarButton(wordhost::CommandBars& bars,
                                  com::ComPtr<wordhost::CommandBarButton>& button);
    com::HRESULT setUpButton(wordhost::CommandBarButton& button);
    void adviseSink();

    com::ComModule& module_;
    Ports ports_;
    InnerUnknown inner_;
    com::IUnknown* controlling_; // the outer object, or inner_ when not aggregated
    com::ULONG references_ = 0;
    ButtonEventSink sink_{*this};

    com::ComPtr<wordhost::WordApplication> m_spApp;
    com::ComPtr<wordhost::CommandBarButton> m_spButton;
    // The connection point the sink is advised to, held until it is unadvised, and the cookie.
    com::ComPtr<com::IConnectionPoint> advisedPoint_;
    com::DWORD adviseCookie_ = notAdvised;
};

} // namespace zarta::addin
