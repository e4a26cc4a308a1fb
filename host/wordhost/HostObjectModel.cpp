#include "host/wordhost/HostObjectModel.h"

#include "host/wordhost/CommandBarButton.h"
#include "host/wordhost/CommandBars.h"
#include "host/wordhost/HostClipboard.h"
#include "host/wordhost/HostEvents.h"
#include "host/wordhost/WordApplication.h"
#include "platform/com/Bstr.h"
#include "platform/com/HResult.h"
#include "platform/com/IConnectionPoint.h"
#include "platform/com/IConnectionPointContainer.h"
#include "platform/com/Variant.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <vector>

namespace zarta::wordhost {

class HostButton;

struct HostObjectModel::Shared {
    HostBackend* backend = nullptr; // null once the model is gone
    std::map<int, HostButton*> buttons;
    int bars = 0;
};

namespace {

using namespace com;
using Shared = HostObjectModel::Shared;

// Reference counting, the query for IUnknown, IDispatch and the object's own interface, and an
// IDispatch without late-bound members (the add-ins call the object model through its tables).
template <class Interface>
class ModelObject : public Interface {
public:
    ModelObject(std::shared_ptr<Shared> shared, const IID& iid)
        : shared_(std::move(shared)), iid_(iid) {}
    virtual ~ModelObject() = default;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
            *ppvObject = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        return queryMore(riid, ppvObject);
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo != nullptr) {
            *pctinfo = 0;
        }
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    virtual HRESULT queryMore(REFIID, void** ppvObject) {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    HostBackend* backend() const { return shared_->backend; }

    std::shared_ptr<Shared> shared_;

private:
    IID iid_;
    std::atomic<ULONG> references_{1};
};

// Hands a new object (holding one reference) out through an out-parameter.
template <class Result, class Object>
HRESULT handOut(Object* object, Result** out) {
    if (out == nullptr) {
        object->Release();
        return E_POINTER;
    }
    *out = object;
    return S_OK;
}

class HostWindow final : public ModelObject<WordWindow> {
public:
    HostWindow(std::shared_ptr<Shared> shared, std::uint32_t handle)
        : ModelObject(std::move(shared), IID_WordWindow), handle_(handle) {}

    HRESULT get_Hwnd(LONG* prop) override {
        if (prop == nullptr) {
            return E_POINTER;
        }
        // X window ids use at most 29 bits, so they fit the property's signed 32 bits.
        *prop = LONG(handle_);
        return S_OK;
    }

private:
    std::uint32_t handle_;
};

// What the backend said of the document when the add-in asked for it.
class HostDocument final : public ModelObject<WordDocument> {
public:
    HostDocument(std::shared_ptr<Shared> shared, HostBackend::ActiveDocument document)
        : ModelObject(std::move(shared), IID_WordDocument), document_(std::move(document)) {}

    HRESULT get_FullName(BSTR* prop) override {
        if (prop == nullptr) {
            return E_POINTER;
        }
        *prop = bstrFromUtf8(document_.name);
        return S_OK;
    }
    HRESULT get_Saved(VARIANT_BOOL* prop) override {
        if (prop == nullptr) {
            return E_POINTER;
        }
        *prop = document_.modified ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }
    HRESULT get_ActiveWindow(WordWindow** prop) override {
        return handOut<WordWindow>(new HostWindow(shared_, document_.window), prop);
    }

private:
    HostBackend::ActiveDocument document_;
};

} // namespace

class HostButton final : public ModelObject<CommandBarButton>,
                         public IConnectionPointContainer,
                         public IConnectionPoint {
public:
    HostButton(std::shared_ptr<Shared> shared, int number)
        : ModelObject(std::move(shared), IID_CommandBarButton), number_(number) {
        shared_->buttons[number_] = this;
    }
    ~HostButton() override {
        shared_->buttons.erase(number_);
        for (auto& [cookie, sink] : sinks_) {
            sink->Release();
        }
    }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject != nullptr && riid == IID_CommandBarControl) {
            *ppvObject = static_cast<CommandBarControl*>(this);
            AddRef();
            return S_OK;
        }
        return ModelObject::QueryInterface(riid, ppvObject);
    }
    ULONG AddRef() override { return ModelObject::AddRef(); }
    ULONG Release() override { return ModelObject::Release(); }

    HRESULT put_Visible(VARIANT_BOOL prop) override { return change(state_.visible, prop != 0); }
    HRESULT put_Caption(BSTR prop) override { return change(state_.caption, utf8FromBstr(prop)); }
    HRESULT put_Enabled(VARIANT_BOOL prop) override { return change(state_.enabled, prop != 0); }
    HRESULT put_TooltipText(BSTR prop) override {
        return change(state_.tooltip, utf8FromBstr(prop));
    }
    HRESULT put_Tag(BSTR prop) override { return change(state_.tag, utf8FromBstr(prop)); }
    HRESULT put_Style(LONG prop) override { return change(state_.style, int(prop)); }
    HRESULT PasteFace() override {
        return backend() != nullptr && backend()->pasteFace(number_) ? S_OK : E_FAIL;
    }

    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
        if (ppCP == nullptr) {
            return E_POINTER;
        }
        if (riid != DIID_CommandBarButtonEvents) {
            *ppCP = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        AddRef();
        *ppCP = this;
        return S_OK;
    }
    HRESULT GetConnectionInterface(IID* pIID) override {
        *pIID = DIID_CommandBarButtonEvents;
        return S_OK;
    }
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override {
        AddRef();
        *ppCPC = this;
        return S_OK;
    }
    HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override {
        if (pUnkSink == nullptr || pdwCookie == nullptr) {
            return E_POINTER;
        }
        *pdwCookie = 0;
        IUnknown* sink = nullptr;
        if (FAILED(pUnkSink->QueryInterface(DIID_CommandBarButtonEvents,
                                            reinterpret_cast<void**>(&sink))) ||
            sink == nullptr) {
            return CONNECT_E_CANNOTCONNECT;
        }
        *pdwCookie = nextCookie_++;
        sinks_.emplace(*pdwCookie, sink);
        return S_OK;
    }
    HRESULT Unadvise(DWORD dwCookie) override {
        const auto found = sinks_.find(dwCookie);
        if (found == sinks_.end()) {
            return CONNECT_E_NOCONNECTION;
        }
        IUnknown* sink = found->second;
        sinks_.erase(found);
        sink->Release();
        return S_OK;
    }
    HRESULT EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    HRESULT click() {
        // A sink may unadvise itself, or the button go, while it handles the click.
        AddRef();
        std::vector<IUnknown*> listeners;
        for (auto& [cookie, sink] : sinks_) {
            sink->AddRef();
            listeners.push_back(sink);
        }
        HRESULT result = S_FALSE;
        for (IUnknown* sink : listeners) {
            VARIANT_BOOL cancelDefault = VARIANT_FALSE;
            VARIANT arguments[2];
            VariantInit(&arguments[0]);
            VariantInit(&arguments[1]);
            // Last to first: CancelDefault, then the clicked button.
            arguments[0].vt = VT_BYREF | VT_BOOL;
            arguments[0].pboolVal = &cancelDefault;
            arguments[1].vt = VT_DISPATCH;
            arguments[1].pdispVal = static_cast<CommandBarButton*>(this);
            DISPPARAMS parameters{arguments, nullptr, 2, 0};
            result =
                static_cast<IDispatch*>(sink)->Invoke(DISPID_Click, GUID_NULL, 0, DISPATCH_METHOD,
                                                      &parameters, nullptr, nullptr, nullptr);
            sink->Release();
        }
        Release();
        return result;
    }

protected:
    HRESULT queryMore(REFIID riid, void** ppvObject) override {
        if (riid == IID_IConnectionPointContainer) {
            *ppvObject = static_cast<IConnectionPointContainer*>(this);
            AddRef();
            return S_OK;
        }
        if (riid == IID_IConnectionPoint) {
            *ppvObject = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }

private:
    template <class Value>
    HRESULT change(Value& field, Value value) {
        field = std::move(value);
        if (backend() != nullptr) {
            backend()->updateButton(number_, state_);
        }
        return S_OK;
    }

    int number_;
    HostBackend::Button state_;
    std::map<DWORD, IUnknown*> sinks_;
    DWORD nextCookie_ = 1;
};

namespace {

class HostControls final : public ModelObject<CommandBarControls> {
public:
    HostControls(std::shared_ptr<Shared> shared, int bar)
        : ModelObject(std::move(shared), IID_CommandBarControls), bar_(bar) {}

    HRESULT Add(VARIANT, VARIANT, VARIANT, VARIANT, VARIANT, CommandBarControl** prop) override {
        if (prop != nullptr) {
            *prop = nullptr;
        }
        if (backend() == nullptr) {
            return E_FAIL;
        }
        auto* button = new HostButton(shared_, backend()->addButton(bar_));
        return handOut<CommandBarControl>(static_cast<CommandBarControl*>(button), prop);
    }

private:
    int bar_;
};

class HostBar final : public ModelObject<CommandBar> {
public:
    HostBar(std::shared_ptr<Shared> shared, int number)
        : ModelObject(std::move(shared), IID_CommandBar), number_(number) {}

    HRESULT get_Controls(CommandBarControls** prop) override {
        return handOut<CommandBarControls>(new HostControls(shared_, number_), prop);
    }
    HRESULT put_Visible(VARIANT_BOOL prop) override {
        if (backend() != nullptr) {
            backend()->showToolbar(number_, prop != 0);
        }
        return S_OK;
    }

private:
    int number_;
};

class HostBars final : public ModelObject<CommandBars> {
public:
    explicit HostBars(std::shared_ptr<Shared> shared)
        : ModelObject(std::move(shared), IID_CommandBars) {}

    HRESULT Add(VARIANT Name, VARIANT, VARIANT, VARIANT, CommandBar** prop) override {
        if (prop != nullptr) {
            *prop = nullptr;
        }
        if (backend() == nullptr) {
            return E_FAIL;
        }
        ++shared_->bars;
        const std::string name = Name.vt == VT_BSTR && SysStringLen(Name.bstrVal) > 0
                                     ? utf8FromBstr(Name.bstrVal)
                                     : "Custom " + std::to_string(shared_->bars);
        return handOut<CommandBar>(new HostBar(shared_, backend()->addToolbar(name)), prop);
    }
};

class HostApplication final : public ModelObject<WordApplication>,
                              public HostEvents,
                              public HostClipboard {
public:
    explicit HostApplication(std::shared_ptr<Shared> shared)
        : ModelObject(std::move(shared), IID_WordApplication) {}

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject != nullptr && riid == IID_HostEvents) {
            *ppvObject = static_cast<HostEvents*>(this);
            AddRef();
            return S_OK;
        }
        if (ppvObject != nullptr && riid == IID_HostClipboard) {
            *ppvObject = static_cast<HostClipboard*>(this);
            AddRef();
            return S_OK;
        }
        return ModelObject::QueryInterface(riid, ppvObject);
    }
    ULONG AddRef() override { return ModelObject::AddRef(); }
    ULONG Release() override { return ModelObject::Release(); }

    HRESULT KeepResponsive() override {
        if (backend() != nullptr) {
            backend()->keepResponsive();
        }
        return S_OK;
    }

    HRESULT PutPicture(const unsigned char* png, ULONG size) override {
        if (png == nullptr || size == 0) {
            return E_INVALIDARG;
        }
        return backend() != nullptr && backend()->putClipboardPicture({png, png + size}) ? S_OK
                                                                                         : E_FAIL;
    }
    HRESULT RestoreContents() override {
        return backend() != nullptr && backend()->restoreClipboard() ? S_OK : S_FALSE;
    }

    HRESULT get_CommandBars(wordhost::CommandBars** prop) override {
        return handOut<wordhost::CommandBars>(new HostBars(shared_), prop);
    }
    HRESULT get_ActiveDocument(WordDocument** prop) override {
        if (prop == nullptr) {
            return E_POINTER;
        }
        *prop = nullptr;
        auto document = backend() != nullptr ? backend()->activeDocument() : std::nullopt;
        if (!document) {
            return hresult(0x800A1098); // the word processor's "no document is open"
        }
        return handOut<WordDocument>(new HostDocument(shared_, std::move(*document)), prop);
    }
};

} // namespace

HostObjectModel::HostObjectModel(HostBackend& backend) : shared_(std::make_shared<Shared>()) {
    shared_->backend = &backend;
    application_ = com::ComPtr<com::IDispatch>::adopt(
        static_cast<WordApplication*>(new HostApplication(shared_)));
}

HostObjectModel::~HostObjectModel() {
    shared_->backend = nullptr;
}

com::HRESULT HostObjectModel::click(int button) {
    const auto found = shared_->buttons.find(button);
    return found != shared_->buttons.end() ? found->second->click() : com::S_FALSE;
}

} // namespace zarta::wordhost
