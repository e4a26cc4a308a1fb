// A small add-in module for the host tests: every class it is asked for is an add-in that
// appends what it is called with to the file named by $ZARTA_TEST_ADDIN_LOG, one line per call,
// prefixed with the class's number (the last byte of its CLSID). Class number 2 fails
// OnConnection with E_FAIL.

#include "host/wordhost/IDTExtensibility2.h"
#include "platform/com/HResult.h"
#include "platform/com/IClassFactory.h"
#include "platform/com/ServerExports.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace zarta::com;
using zarta::wordhost::IDTExtensibility2;
using zarta::wordhost::IID_IDTExtensibility2;

namespace {

std::atomic<int> objects{0};

void note(int number, const std::string& line) {
    if (const char* log = std::getenv("ZARTA_TEST_ADDIN_LOG")) {
        std::ofstream(log, std::ios::app) << number << ' ' << line << '\n';
    }
}

class RecordingAddin final : public IDTExtensibility2 {
public:
    explicit RecordingAddin(int number) : number_(number) { ++objects; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IDTExtensibility2) {
            *ppv = static_cast<IDTExtensibility2*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            note(number_, "released");
            --objects;
            delete this;
        }
        return left;
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT OnConnection(IDispatch* application, LONG mode, IDispatch* instance,
                         SAFEARRAY**) override {
        IUnknown* asDispatch = nullptr;
        const bool instanceAnswers =
            instance != nullptr &&
            instance->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&asDispatch)) == S_OK;
        if (asDispatch != nullptr) {
            asDispatch->Release();
        }
        note(number_, "OnConnection application=" + std::string(application ? "yes" : "no") +
                          " mode=" + std::to_string(mode) +
                          " instance=" + (instanceAnswers ? "yes" : "no"));
        return number_ == 2 ? E_FAIL : S_OK;
    }
    HRESULT OnDisconnection(LONG mode, SAFEARRAY**) override {
        note(number_, "OnDisconnection mode=" + std::to_string(mode));
        return S_OK;
    }
    HRESULT OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
    HRESULT OnStartupComplete(SAFEARRAY**) override { return S_OK; }
    HRESULT OnBeginShutdown(SAFEARRAY**) override {
        note(number_, "OnBeginShutdown");
        return S_OK;
    }

private:
    ~RecordingAddin() = default;
    int number_;
    std::atomic<ULONG> references_{1};
};

class Factory final : public IClassFactory {
public:
    explicit Factory(int number) : number_(number) { ++objects; }
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            --objects;
            delete this;
        }
        return left;
    }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* addin = new RecordingAddin(number_);
        const HRESULT result = addin->QueryInterface(riid, ppv);
        addin->Release();
        return result;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    ~Factory() = default;
    int number_;
    std::atomic<ULONG> references_{1};
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT
DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    auto* factory = new Factory(rclsid.Data4[7]);
    const HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    note(0, "DllCanUnloadNow");
    return objects == 0 ? S_OK : S_FALSE;
}
