#include "platform/com/Bstr.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/ComModule.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"
#include "platform/com/IDispatch.h"
#include "platform/com/Variant.h"

#include <gtest/gtest.h>

using namespace zarta::com;

TEST(Guid, TextFormIsUpperCaseWithBracesAndParsesInEitherCase) {
    struct Case {
        const char* text;
        const char* canonical; // null: refused
    };
    const Case cases[] = {
        {"{4C1D0ECF-2ABE-4ccf-B0F2-21FFDECE58C4}", "{4C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58C4}"},
        {"{93981385-8c78-4290-afdd-7926b7d749aa}", "{93981385-8C78-4290-AFDD-7926B7D749AA}"},
        {"{00000000-0000-0000-C000-000000000046}", "{00000000-0000-0000-C000-000000000046}"},
        {"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
        {"4C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58C4", nullptr},
        {"{4C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58C4", nullptr},
        {"{4C1D0ECF-2ABE-4CCF-B0F221-FFDECE58C4}", nullptr},
        {"{4C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58CG}", nullptr},
        {"{4C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58C4}x", nullptr},
        {"{+C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58C4}", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const auto guid = GUID::parse(c.text);
        if (c.canonical == nullptr) {
            EXPECT_FALSE(guid.has_value()) << c.text;
        } else {
            ASSERT_TRUE(guid.has_value()) << c.text;
            EXPECT_EQ(guid->toString(), c.canonical);
        }
    }
    EXPECT_EQ(GUID::parse("{00000000-0000-0000-C000-000000000046}"), IID_IUnknown);
    EXPECT_EQ(GUID::parse("{4C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58C4}")->Data4[7], 0xC4);
}

TEST(HResult, NamesAndHexadecimalForm) {
    struct Case {
        HRESULT hr;
        const char* name;
        const char* hex;
    };
    const Case cases[] = {
        {S_OK, "S_OK", "0x00000000"},
        {S_FALSE, "S_FALSE", "0x00000001"},
        {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION", "0x80040110"},
        {HRESULT_FROM_WIN32(5), "E_ACCESSDENIED", "0x80070005"},
        {HRESULT_FROM_WIN32(1009), "HRESULT_FROM_WIN32(1009)", "0x800703F1"},
        {HRESULT_FROM_WIN32(0), "S_OK", "0x00000000"},
        {hresult(0x80041234), "", "0x80041234"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hresultName(c.hr), c.name) << c.hex;
        EXPECT_EQ(hresultHex(c.hr), c.hex);
    }
}

TEST(Bstr, KeepsItsLengthAndConvertsToAndFromUtf8) {
    const char16_t withNull[] = {u'a', u'\0', u'b'};
    BSTR text = SysAllocStringLen(withNull, 3);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(text[3], u'\0');
    EXPECT_EQ(utf8FromBstr(text), std::string("a\0b", 3));
    SysFreeString(text);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);

    struct Case {
        std::string utf8;
        std::u16string utf16;
        std::string back;
    };
    const Case cases[] = {
        {"Plovra", u"Plovra", "Plovra"},
        {"Ünïcödé 標題", u"Ünïcödé 標題", "Ünïcödé 標題"},
        {"\xF0\x9F\x93\x84", u"\U0001F4C4", "\xF0\x9F\x93\x84"},
        {"bad \xFF end", u"bad \xFFFD end", "bad \xEF\xBF\xBD end"},
        {"cut \xE6\xA8", u"cut \xFFFD\xFFFD", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
        {"lone \xED\xA0\x80", u"lone \xFFFD", "lone \xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        BSTR converted = bstrFromUtf8(c.utf8);
        EXPECT_EQ(std::u16string(converted, SysStringLen(converted)), c.utf16) << c.utf8;
        EXPECT_EQ(utf8FromBstr(converted), c.back) << c.utf8;
        SysFreeString(converted);
    }
}

namespace {

// An object that counts its references and tells when it is gone.
class Counted final : public IUnknown {
public:
    explicit Counted(bool& gone) : gone_(gone) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        if (--references_ == 0) {
            gone_ = true;
            delete this;
            return 0;
        }
        return references_;
    }

private:
    ~Counted() = default;
    bool& gone_;
    ULONG references_ = 1;
};

bool lastGone = false;

HRESULT createCounted(ComModule&, IUnknown*, REFIID riid, void** ppv) {
    auto* object = new Counted(lastGone);
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

constexpr CLSID thingClass{0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 5}};

HRESULT createThingClassObject(ComModule& module, IUnknown** classObject) {
    return ClassFactory::create(module, &createCounted, classObject);
}

constexpr ComModule::ObjectEntry objectMap[] = {{&thingClass, &createThingClassObject}};

} // namespace

TEST(ComModule, ClassObjectIsCachedAndEveryReferenceBeyondTheCacheLocksTheModule) {
    ComModule module;
    module.init(objectMap, GUID_NULL);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(module.getClassObject(IID_IUnknown, IID_IClassFactory, factory.putVoid()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(module.getClassObject(thingClass, IID_IClassFactory, nullptr), E_POINTER);
    ASSERT_EQ(module.getClassObject(thingClass, IID_IClassFactory, factory.putVoid()), S_OK);
    EXPECT_EQ(module.canUnloadNow(), S_FALSE);

    ComPtr<IUnknown> again;
    ASSERT_EQ(module.getClassObject(thingClass, IID_IUnknown, again.putVoid()), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(factory.get()), again.get());
    ComPtr<IUnknown> none;
    EXPECT_EQ(module.getClassObject(thingClass, IID_IDispatch, none.putVoid()), E_NOINTERFACE);
    EXPECT_EQ(none.get(), nullptr);
    again.reset();
    EXPECT_EQ(module.lockCount(), 1);

    void* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_TRUE(lastGone) << "an object whose query failed is destroyed";
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(module.lockCount(), 2);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(module.canUnloadNow(), S_OK);
    module.term();
    EXPECT_EQ(module.getClassObject(thingClass, IID_IClassFactory, factory.putVoid()),
              CLASS_E_CLASSNOTAVAILABLE);
}

TEST(Variant, ClearFreesWhatTheVariantOwnsOnly) {
    bool gone = false;
    VARIANT owned;
    VariantInit(&owned);
    owned.vt = VT_UNKNOWN;
    owned.punkVal = new Counted(gone);
    EXPECT_EQ(VariantClear(&owned), S_OK);
    EXPECT_TRUE(gone);
    EXPECT_EQ(owned.vt, VT_EMPTY);

    VARIANT_BOOL flag = VARIANT_TRUE;
    VARIANT byReference;
    VariantInit(&byReference);
    byReference.vt = VT_BYREF | VT_BOOL;
    byReference.pboolVal = &flag;
    EXPECT_EQ(VariantClear(&byReference), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);

    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = bstrFromUtf8("freed under the address sanitizer's eye");
    EXPECT_EQ(VariantClear(&text), S_OK);
    EXPECT_EQ(VariantClear(nullptr), E_POINTER);
}
