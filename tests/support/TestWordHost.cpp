#include "tests/support/TestWordHost.h"

#include "platform/com/DispParams.h"
#include "platform/com/HResult.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace zarta::com;
using namespace zarta::wordhost;

std::string describe(const VARIANT& value) {
    switch (value.vt) {
    case VT_BSTR:
        return "BSTR:" + utf8FromBstr(value.bstrVal);
    case VT_I4:
        return "I4:" + std::to_string(value.lVal);
    case VT_I2:
        return "I2:" + std::to_string(value.iVal);
    case VT_BOOL:
        return "BOOL:" + std::to_string(value.boolVal);
    case VT_ERROR:
        return "ERROR:" + hresultHex(value.scode);
    default:
        return "VT:" + std::to_string(value.vt);
    }
}

// Reference counting and the IDispatch part every object of the model shares. The host's own
// reference is the first one.
class TestWordHost::Object {
public:
    explicit Object(TestWordHost& host) : host_(host) { host.objects.push_back(this); }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    ULONG addRef() { return ++references_; }
    ULONG release() {
        const ULONG count = --references_;
        if (count == 0) {
            delete this;
        }
        return count;
    }
    ULONG references() const { return references_; }
    virtual IUnknown* unknown() = 0;

protected:
    TestWordHost& host_;

private:
    ULONG references_ = 1;
};

namespace {

// One object of the model implementing `Interface` (and IDispatch, IUnknown).
template <class Interface>
class ModelObject : public TestWordHost::Object, public Interface {
public:
    ModelObject(TestWordHost& host, const IID& iid, std::string name)
        : Object(host), iid_(iid), name_(std::move(name)) {}

    IUnknown* unknown() override { return static_cast<Interface*>(this); }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid == iid_ || riid == IID_IDispatch || riid == IID_IUnknown) {
            *ppvObject = static_cast<Interface*>(this);
            addRef();
            return S_OK;
        }
        return queryMore(riid, ppvObject);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }

    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, zarta::com::ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    virtual HRESULT queryMore(REFIID, void** ppvObject) {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT record(const std::string& member) { return host_.record(name_ + "." + member); }

    // Hands out a new reference on `object` (the host keeps its own) unless the call fails.
    template <class Result>
    HRESULT handOut(HRESULT hr, Result* object, Result** out) {
        *out = nullptr;
        if (FAILED(hr)) {
            return hr;
        }
        object->AddRef();
        *out = object;
        return S_OK;
    }

private:
    IID iid_;
    std::string name_;
};

class Window final : public ModelObject<WordWindow> {
public:
    Window(TestWordHost& host, LONG handle)
        : ModelObject(host, IID_WordWindow, "Window"), handle_(handle) {}

    HRESULT get_Hwnd(LONG* prop) override {
        *prop = 0;
        const HRESULT hr = record("Hwnd");
        if (SUCCEEDED(hr)) {
            *prop = handle_;
        }
        return hr;
    }

private:
    LONG handle_;
};

class Document final : public ModelObject<WordDocument> {
public:
    Document(TestWordHost& host, std::string fullName, bool saved, Window* window)
        : ModelObject(host, IID_WordDocument, "Document"), fullName_(std::move(fullName)),
          saved_(saved), window_(window) {}

    HRESULT get_FullName(BSTR* prop) override {
        *prop = nullptr;
        const HRESULT hr = record("FullName");
        if (SUCCEEDED(hr)) {
            *prop = bstrFromUtf8(fullName_);
        }
        return hr;
    }
    HRESULT get_Saved(VARIANT_BOOL* prop) override {
        *prop = VARIANT_TRUE;
        const HRESULT hr = record("Saved");
        if (SUCCEEDED(hr)) {
            *prop = saved_ ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return hr;
    }
    HRESULT get_ActiveWindow(WordWindow** prop) override {
        return handOut<WordWindow>(record("ActiveWindow"), window_, prop);
    }

private:
    std::string fullName_;
    bool saved_;
    Window* window_; // the host's reference
};

} // namespace

class TestWordHost::Button final : public ModelObject<CommandBarButton>,
                                   public IConnectionPointContainer,
                                   public IConnectionPoint {
public:
    explicit Button(TestWordHost& host) : ModelObject(host, IID_CommandBarButton, "Button") {}
    ~Button() override {
        for (IUnknown* sink : sinks) {
            sink->Release();
        }
    }

    // The control's properties are answered by the button, as a button is also a control.
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid == IID_CommandBarControl) {
            *ppvObject = static_cast<CommandBarControl*>(this);
            addRef();
            return S_OK;
        }
        return ModelObject::QueryInterface(riid, ppvObject);
    }
    ULONG AddRef() override { return addRef(); }
    ULONG Release() override { return release(); }

    HRESULT put_Visible(VARIANT_BOOL prop) override {
        return record("Visible=" + std::to_string(prop));
    }
    HRESULT put_Caption(BSTR prop) override { return record("Caption=" + utf8FromBstr(prop)); }
    HRESULT put_Enabled(VARIANT_BOOL prop) override {
        return record("Enabled=" + std::to_string(prop));
    }
    HRESULT put_TooltipText(BSTR prop) override {
        return record("TooltipText=" + utf8FromBstr(prop));
    }
    HRESULT put_Tag(BSTR prop) override { return record("Tag=" + utf8FromBstr(prop)); }
    HRESULT put_Style(LONG prop) override { return record("Style=" + std::to_string(prop)); }
    HRESULT PasteFace() override {
        const HRESULT hr = record("PasteFace");
        if (FAILED(hr)) {
            return hr;
        }
        const QImage face = QGuiApplication::clipboard()->image();
        if (face.isNull()) {
            return E_FAIL;
        }
        host_.pastedFaces.push_back(face);
        return S_OK;
    }

    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
        const HRESULT hr = record("FindConnectionPoint(" + riid.toString() + ")");
        if (FAILED(hr) || riid != DIID_CommandBarButtonEvents) {
            *ppCP = nullptr;
            return FAILED(hr) ? hr : CONNECT_E_NOCONNECTION;
        }
        addRef();
        *ppCP = this;
        return S_OK;
    }

    HRESULT GetConnectionInterface(IID* pIID) override {
        *pIID = DIID_CommandBarButtonEvents;
        return S_OK;
    }
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override {
        addRef();
        *ppCPC = this;
        return S_OK;
    }
    HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override {
        const HRESULT hr = record("Advise");
        if (FAILED(hr)) {
            *pdwCookie = 0;
            return hr;
        }
        IUnknown* sink = nullptr;
        if (FAILED(pUnkSink->QueryInterface(DIID_CommandBarButtonEvents,
                                            reinterpret_cast<void**>(&sink)))) {
            return CONNECT_E_CANNOTCONNECT;
        }
        sinks.push_back(sink);
        *pdwCookie = static_cast<DWORD>(100 + host_.advised.size());
        host_.advised.push_back(*pdwCookie);
        cookies.push_back(*pdwCookie);
        return S_OK;
    }
    HRESULT Unadvise(DWORD dwCookie) override {
        host_.unadvised.push_back(dwCookie);
        const HRESULT hr = record("Unadvise");
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            if (cookies[i] == dwCookie) {
                IUnknown* sink = sinks[i];
                sinks.erase(sinks.begin() + static_cast<std::ptrdiff_t>(i));
                cookies.erase(cookies.begin() + static_cast<std::ptrdiff_t>(i));
                sink->Release();
                return hr;
            }
        }
        return FAILED(hr) ? hr : CONNECT_E_NOCONNECTION;
    }
    HRESULT EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    std::vector<IUnknown*> sinks;
    std::vector<DWORD> cookies;

protected:
    HRESULT queryMore(REFIID riid, void** ppvObject) override {
        if (riid == IID_IConnectionPointContainer) {
            *ppvObject = static_cast<IConnectionPointContainer*>(this);
            addRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
};

namespace {

// A control added by Controls.Add: the button itself, recorded as "Control" until the add-in
// asks for its button interface.
class Controls final : public ModelObject<CommandBarControls> {
public:
    explicit Controls(TestWordHost& host) : ModelObject(host, IID_CommandBarControls, "Controls") {}

    HRESULT Add(VARIANT Type, VARIANT Id, VARIANT Parameter, VARIANT Before, VARIANT Temporary,
                CommandBarControl** prop) override {
        const HRESULT hr =
            record("Add(" + describe(Type) + ", " + describe(Id) + ", " + describe(Parameter) +
                   ", " + describe(Before) + ", " + describe(Temporary) + ")");
        if (FAILED(hr)) {
            *prop = nullptr;
            return hr;
        }
        auto* button = new TestWordHost::Button(host_);
        host_.newestButton = button;
        *prop = new ControlView(host_, *button);
        return S_OK;
    }

private:
    // The control as Controls.Add hands it out: its query for the button interface is a step of
    // its own, recorded (and failed) apart.
    class ControlView final : public CommandBarControl {
    public:
        ControlView(TestWordHost& host, TestWordHost::Button& button)
            : host_(host), button_(button) {
            button_.AddRef();
        }
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
            if (riid == IID_CommandBarButton) {
                if (const HRESULT hr = host_.record("Control.QueryInterface(button)"); FAILED(hr)) {
                    *ppvObject = nullptr;
                    return hr;
                }
            }
            return button_.QueryInterface(riid, ppvObject);
        }
        ULONG AddRef() override { return ++references_; }
        ULONG Release() override {
            const ULONG count = --references_;
            if (count == 0) {
                button_.Release();
                delete this;
            }
            return count;
        }
        HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
        HRESULT GetTypeInfo(UINT, LCID, zarta::com::ITypeInfo**) override { return E_NOTIMPL; }
        HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
        HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                       UINT*) override {
            return DISP_E_MEMBERNOTFOUND;
        }
        HRESULT put_Visible(VARIANT_BOOL prop) override { return button_.put_Visible(prop); }
        HRESULT put_Caption(BSTR prop) override { return button_.put_Caption(prop); }
        HRESULT put_Enabled(VARIANT_BOOL prop) override { return button_.put_Enabled(prop); }
        HRESULT put_TooltipText(BSTR prop) override { return button_.put_TooltipText(prop); }
        HRESULT put_Tag(BSTR prop) override { return button_.put_Tag(prop); }

    private:
        ~ControlView() = default;
        TestWordHost& host_;
        TestWordHost::Button& button_;
        ULONG references_ = 1;
    };
};

class Bar final : public ModelObject<CommandBar> {
public:
    explicit Bar(TestWordHost& host)
        : ModelObject(host, IID_CommandBar, "Bar"), controls_(new Controls(host)) {}

    HRESULT get_Controls(CommandBarControls** prop) override {
        return handOut<CommandBarControls>(record("Controls"), controls_, prop);
    }
    HRESULT put_Visible(VARIANT_BOOL prop) override {
        return record("Visible=" + std::to_string(prop));
    }

private:
    Controls* controls_; // the host's reference
};

class Bars final : public ModelObject<CommandBars> {
public:
    explicit Bars(TestWordHost& host) : ModelObject(host, IID_CommandBars, "CommandBars") {}

    HRESULT Add(VARIANT Name, VARIANT Position, VARIANT MenuBar, VARIANT Temporary,
                CommandBar** prop) override {
        const HRESULT hr = record("Add(" + describe(Name) + ", " + describe(Position) + ", " +
                                  describe(MenuBar) + ", " + describe(Temporary) + ")");
        *prop = nullptr;
        if (FAILED(hr)) {
            return hr;
        }
        return handOut<CommandBar>(hr, new Bar(host_), prop);
    }
};

class Application final : public ModelObject<WordApplication> {
public:
    explicit Application(TestWordHost& host)
        : ModelObject(host, IID_WordApplication, "Application"), bars_(new Bars(host)) {}

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid == IID_WordApplication) {
            if (const HRESULT hr = record("QueryInterface(application)"); FAILED(hr)) {
                *ppvObject = nullptr;
                return hr;
            }
        }
        return ModelObject::QueryInterface(riid, ppvObject);
    }

    HRESULT get_CommandBars(zarta::wordhost::CommandBars** prop) override {
        return handOut<zarta::wordhost::CommandBars>(record("CommandBars"), bars_, prop);
    }
    HRESULT get_ActiveDocument(WordDocument** prop) override {
        HRESULT hr = record("ActiveDocument");
        if (SUCCEEDED(hr) && host_.document == nullptr) {
            hr = hresult(0x800A1098); // the word processor's "no document is open"
        }
        return handOut<WordDocument>(hr, static_cast<Document*>(host_.document), prop);
    }

private:
    Bars* bars_; // the host's reference
};

} // namespace

TestWordHost::TestWordHost() : application_(new Application(*this)) {}

TestWordHost::~TestWordHost() {
    // Every object was made with the host's reference; objects hold no references on each
    // other, so the order does not matter.
    const std::vector<Object*> made = objects;
    for (Object* object : made) {
        object->release();
    }
}

IDispatch* TestWordHost::application() const {
    return application_;
}

void TestWordHost::setActiveDocument(std::optional<std::string> fullName, bool saved, LONG window) {
    document =
        fullName ? new Document(*this, *fullName, saved, new Window(*this, window)) : nullptr;
}

HRESULT TestWordHost::record(const std::string& call) {
    calls.push_back(call);
    const auto failure = failures.find(call);
    return failure != failures.end() ? failure->second : S_OK;
}

IDispatch* TestWordHost::newestButtonDispatch() const {
    return static_cast<CommandBarButton*>(newestButton);
}

std::vector<IUnknown*> TestWordHost::sinks() const {
    return newestButton != nullptr ? newestButton->sinks : std::vector<IUnknown*>{};
}

HRESULT TestWordHost::click() {
    HRESULT result = S_OK;
    for (IUnknown* sink : sinks()) {
        auto* events = static_cast<IDispatch*>(sink);
        VARIANT_BOOL cancelDefault = VARIANT_FALSE;
        VARIANT arguments[2];
        VariantInit(&arguments[0]);
        VariantInit(&arguments[1]);
        // Last to first: CancelDefault, then the clicked button.
        arguments[0].vt = VT_BYREF | VT_BOOL;
        arguments[0].pboolVal = &cancelDefault;
        arguments[1].vt = VT_DISPATCH;
        arguments[1].pdispVal = newestButtonDispatch();
        DISPPARAMS parameters{arguments, nullptr, 2, 0};
        result = events->Invoke(DISPID_Click, GUID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr,
                                nullptr, nullptr);
    }
    return result;
}

ULONG TestWordHost::foreignReferences() const {
    ULONG count = 0;
    for (const Object* object : objects) {
        count += object->references() - 1;
    }
    return count;
}

ULONG TestWordHost::documentReferences() const {
    return document != nullptr ? document->references() - 1 : 0;
}
