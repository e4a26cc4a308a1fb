#include "addin/CWordAddin.h"

#include "host/wordhost/HostClipboard.h"
#include "host/wordhost/HostEvents.h"

#include "addin/ButtonFace.h"
#include "platform/com/IConnectionPointContainer.h"
#include "platform/com/Variant.h"

#include <cstdint>
#include <new>
#include <utility>

namespace zarta::addin {

namespace {

using wordhost::CommandBar;
using wordhost::CommandBarButton;
using wordhost::CommandBarControl;
using wordhost::CommandBarControls;
using wordhost::CommandBars;
using wordhost::WordApplication;
using wordhost::WordDocument;

// A call that succeeded but handed back no object is answered as a bad pointer, so that no
// step goes on with a null reference.
com::HRESULT checked(com::HRESULT hr, bool gotObject) {
    return com::SUCCEEDED(hr) && !gotObject ? com::E_POINTER : hr;
}

// Sets one text property of the button from UTF-8.
template <class Setter>
com::HRESULT putText(CommandBarButton& button, Setter setter, const char* text) {
    const com::BSTR value = com::bstrFromUtf8(text);
    if (value == nullptr) {
        return com::E_OUTOFMEMORY;
    }
    const com::HRESULT hr = (button.*setter)(value);
    com::SysFreeString(value);
    return hr;
}

} // namespace

CWordAddin::CWordAddin(com::ComModule& module, const Ports& ports, com::IUnknown* outer)
    : module_(module), ports_(ports), inner_(*this),
      controlling_(outer != nullptr ? outer : &inner_) {
    module_.lock();
}

CWordAddin::~CWordAddin() {
    module_.unlock();
}

com::HRESULT CWordAddin::create(com::ComModule& module, const Ports& ports, com::IUnknown* outer,
                                com::REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return com::E_POINTER;
    }
    *ppv = nullptr;
    auto* object = new (std::nothrow) CWordAddin(module, ports, outer);
    if (object == nullptr) {
        return com::E_OUTOFMEMORY;
    }
    object->inner_.AddRef();
    const com::HRESULT hr = object->inner_.QueryInterface(riid, ppv);
    object->inner_.Release();
    return hr;
}

com::HRESULT CWordAddin::queryOwnInterface(com::REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return com::E_POINTER;
    }
    com::IUnknown* found = nullptr;
    if (riid == com::IID_IUnknown) {
        found = &inner_;
    } else if (riid == IID_IWordAddin) {
        found = static_cast<IWordAddin*>(this);
    } else if (riid == com::IID_IDispatch || riid == wordhost::IID_IDTExtensibility2) {
        found = static_cast<wordhost::IDTExtensibility2*>(this);
    } else if (riid == com::IID_ISupportErrorInfo) {
        found = static_cast<com::ISupportErrorInfo*>(this);
    }
    *ppvObject = found;
    if (found == nullptr) {
        return com::E_NOINTERFACE;
    }
    found->AddRef();
    return com::S_OK;
}

com::HRESULT CWordAddin::InnerUnknown::QueryInterface(com::REFIID riid, void** ppvObject) {
    return owner_.queryOwnInterface(riid, ppvObject);
}

com::ULONG CWordAddin::InnerUnknown::AddRef() {
    return ++owner_.references_;
}

com::ULONG CWordAddin::InnerUnknown::Release() {
    const com::ULONG count = --owner_.references_;
    if (count == 0) {
        delete &owner_;
    }
    return count;
}

com::HRESULT CWordAddin::QueryInterface(com::REFIID riid, void** ppvObject) {
    return controlling_->QueryInterface(riid, ppvObject);
}

com::ULONG CWordAddin::AddRef() {
    return controlling_->AddRef();
}

com::ULONG CWordAddin::Release() {
    return controlling_->Release();
}

com::HRESULT CWordAddin::InterfaceSupportsErrorInfo(com::REFIID riid) {
    return riid == IID_IWordAddin ? com::S_OK : com::S_FALSE;
}

com::HRESULT CWordAddin::OnConnection(com::IDispatch* Application, com::LONG, com::IDispatch*,
                                      com::SAFEARRAY**) {
    if (Application == nullptr) {
        return com::E_POINTER;
    }
    com::ComPtr<WordApplication> application;
    com::HRESULT hr =
        Application->QueryInterface(wordhost::IID_WordApplication, application.putVoid());
    if (com::FAILED(hr = checked(hr, bool(application)))) {
        return hr;
    }
    m_spApp = application;

    com::ComPtr<CommandBars> bars;
    hr = m_spApp->get_CommandBars(bars.put());
    if (com::FAILED(hr = checked(hr, bool(bars)))) {
        return hr;
    }
    com::ComPtr<CommandBarButton> button;
    hr = addToolbarButton(*bars.get(), button);
    if (com::FAILED(hr)) {
        return hr;
    }
    m_spButton = button;

    if (adviseCookie_ != notAdvised) {
        return com::E_FAIL;
    }
    adviseSink();
    return com::S_OK;
}

com::HRESULT CWordAddin::addToolbarButton(CommandBars& bars,
                                          com::ComPtr<CommandBarButton>& button) {
    com::VARIANT name = com::variantFromBstr(com::bstrFromUtf8(toolbarName));
    if (name.bstrVal == nullptr) {
        return com::E_OUTOFMEMORY;
    }
    const com::VARIANT missing = com::variantMissing();
    const com::VARIANT temporary = com::variantFromShort(com::VARIANT_TRUE);
    com::ComPtr<CommandBar> bar;
    com::HRESULT hr =
        bars.Add(name, com::variantFromLong(wordhost::msoBarTop), missing, temporary, bar.put());
    com::VariantClear(&name);
    if (com::FAILED(hr = checked(hr, bool(bar)))) {
        return hr;
    }

    com::ComPtr<CommandBarControls> controls;
    hr = bar->get_Controls(controls.put());
    if (com::FAILED(hr = checked(hr, bool(controls)))) {
        return hr;
    }
    com::ComPtr<CommandBarControl> control;
    hr = controls->Add(com::variantFromLong(wordhost::msoControlButton), missing, missing, missing,
                       temporary, control.put());
    if (com::FAILED(hr = checked(hr, bool(control)))) {
        return hr;
    }
    com::ComPtr<CommandBarButton> newButton;
    hr = control->QueryInterface(wordhost::IID_CommandBarButton, newButton.putVoid());
    if (com::FAILED(hr = checked(hr, bool(newButton)))) {
        return hr;
    }

    if (com::FAILED(hr = setUpButton(*newButton.get())) ||
        com::FAILED(hr = bar->put_Visible(com::VARIANT_TRUE))) {
        return hr;
    }
    button = newButton;
    return com::S_OK;
}

com::HRESULT CWordAddin::setUpButton(CommandBarButton& button) {
    // The host takes the face from the clipboard. The user's contents are saved first and put
    // back as soon as the button has taken the picture, so the connection costs the user
    // nothing. A host that offers its own clipboard does both; it is the one that can reach
    // the desktop's clipboard where no Qt application runs in its process. Where no clipboard
    // can be reached the button keeps no face rather than taking whatever another program left
    // there.
    com::ComPtr<wordhost::HostClipboard> hostClipboard;
    if (m_spApp->QueryInterface(wordhost::IID_HostClipboard, hostClipboard.putVoid()) !=
        com::S_OK) {
        hostClipboard = nullptr;
    }
    ClipboardContents userContents;
    bool facePut = false;
    if (hostClipboard) {
        const QByteArray png = ButtonFace::png();
        facePut = hostClipboard->PutPicture(reinterpret_cast<const unsigned char*>(png.constData()),
                                            com::ULONG(png.size())) == com::S_OK;
    } else {
        userContents = ports_.clipboard.save();
        facePut = ports_.clipboard.putPicture(ButtonFace::image());
    }
    com::HRESULT hr = button.put_Style(wordhost::msoButtonIconAndCaption);
    if (com::SUCCEEDED(hr) && facePut) {
        hr = button.PasteFace();
    }
    if (facePut && hostClipboard) {
        hostClipboard->RestoreContents();
    } else if (facePut) {
        ports_.clipboard.restore(userContents);
    }
    if (com::FAILED(hr) || com::FAILED(hr = button.put_Visible(com::VARIANT_TRUE)) ||
        com::FAILED(hr = putText(button, &CommandBarButton::put_Caption, toolbarName)) ||
        com::FAILED(hr = button.put_Enabled(com::VARIANT_TRUE)) ||
        com::FAILED(hr = putText(button, &CommandBarButton::put_TooltipText, toolbarName)) ||
        com::FAILED(hr = putText(button, &CommandBarButton::put_Tag, toolbarName))) {
        return hr;
    }
    return com::S_OK;
}

void CWordAddin::adviseSink() {
    // A button that cannot take the sink leaves the add-in connected without its Click: the
    // toolbar is there and the host goes on.
    com::ComPtr<com::IConnectionPointContainer> container;
    if (com::FAILED(
            m_spButton->QueryInterface(com::IID_IConnectionPointContainer, container.putVoid())) ||
        !container) {
        return;
    }
    com::ComPtr<com::IConnectionPoint> point;
    if (com::FAILED(
            container->FindConnectionPoint(wordhost::DIID_CommandBarButtonEvents, point.put())) ||
        !point) {
        return;
    }
    com::DWORD cookie = notAdvised;
    if (com::SUCCEEDED(point->Advise(&sink_, &cookie))) {
        advisedPoint_ = point;
        adviseCookie_ = cookie;
    }
}

com::HRESULT CWordAddin::OnDisconnection(com::LONG, com::SAFEARRAY**) {
    // Unadvised from the point it was advised to: the button of the connection that advised,
    // even when a later connection replaced m_spButton. The state is reset first, as the
    // unadvise drops the host's reference on the sink, which may be the last on this object.
    const com::ComPtr<com::IConnectionPoint> point = std::exchange(advisedPoint_, nullptr);
    const com::DWORD cookie = std::exchange(adviseCookie_, notAdvised);
    if (cookie != notAdvised && point) {
        point->Unadvise(cookie);
    }
    return com::S_OK;
}

com::HRESULT CWordAddin::OnAddInsUpdate(com::SAFEARRAY**) {
    return com::E_NOTIMPL;
}

com::HRESULT CWordAddin::OnStartupComplete(com::SAFEARRAY**) {
    return com::E_NOTIMPL;
}

com::HRESULT CWordAddin::OnBeginShutdown(com::SAFEARRAY**) {
    return com::E_NOTIMPL;
}

void CWordAddin::OnButtonClick(com::IDispatch*, com::VARIANT_BOOL*) {
    // The document and its name are held until the dialog has closed.
    com::ComPtr<WordDocument> document;
    com::BSTR fullName = nullptr;
    ConvertDialogRunner::Request request;
    if (m_spApp) {
        m_spApp->get_ActiveDocument(document.put());
    }
    if (document) {
        document->get_FullName(&fullName);
        // A host that cannot say whether the document is saved, or where it is shown, still
        // gets its dialog, without the notice or the stacking.
        com::VARIANT_BOOL saved = com::VARIANT_TRUE;
        request.unsavedChanges =
            com::SUCCEEDED(document->get_Saved(&saved)) && saved == com::VARIANT_FALSE;
        com::ComPtr<wordhost::WordWindow> window;
        com::LONG handle = 0;
        if (com::SUCCEEDED(document->get_ActiveWindow(window.put())) && window &&
            com::SUCCEEDED(window->get_Hwnd(&handle))) {
            request.hostWindow = std::uint32_t(handle);
        }
    }
    request.documentPath = com::utf8FromBstr(fullName);
    if (ports_.convertDialog != nullptr) {
        // A host that can handle its events while the dialog runs elsewhere offers it.
        com::ComPtr<wordhost::HostEvents> events;
        std::function<void()> whileWaiting;
        if (m_spApp &&
            m_spApp->QueryInterface(wordhost::IID_HostEvents, events.putVoid()) == com::S_OK &&
            events) {
            whileWaiting = [&events] { events->KeepResponsive(); };
        }
        ports_.convertDialog->run(request, whileWaiting);
    }
    com::SysFreeString(fullName);
}

} // namespace zarta::addin
