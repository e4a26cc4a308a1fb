// The add-in module as the word processor's host and the registration tool meet it: loaded
// with dlopen, with a registry folder of its own for every test.

#include "addin/IWordAddin.h"
#include "addin/WordAddinIds.h"
#include "host/wordhost/HostObjectModel.h"
#include "host/wordhost/IDTExtensibility2.h"
#include "platform/com/ComPtr.h"
#include "platform/com/IClassFactory.h"
#include "platform/com/ISupportErrorInfo.h"
#include "platform/com/ITypeInfo.h"
#include "platform/com/ServerExports.h"
#include "platform/registry/RegFile.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryError.h"
#include "tests/host/wordhost/RecordingHostBackend.h"

#include "tests/support/TempDir.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <filesystem>
#include <gtest/gtest.h>

using namespace zarta;
using namespace zarta::com;
using namespace zarta::addin;
using namespace zarta::wordhost;

namespace {

const std::string clsidKey = "CLSID\\{93981385-8C78-4290-AFDD-7926B7D749AA}";
const std::string addinKey = "Software\\Microsoft\\Office\\Word\\Addins\\ZartaWordToPDF.WordAddin";
const std::string typeLibKey = "TypeLib\\{4C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58C4}";
const std::string interfaceKey = "Interface\\{8B379510-23A4-482A-9DB5-BF08C3A3153F}";

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

// The module loaded from `path`, with its entry points.
class LoadedModule {
public:
    explicit LoadedModule(const std::string& path)
        : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) {
            ADD_FAILURE() << ::dlerror();
            return;
        }
        canUnloadNow =
            reinterpret_cast<DllCanUnloadNowFunction>(::dlsym(handle_, DllCanUnloadNowName));
        getClassObject =
            reinterpret_cast<DllGetClassObjectFunction>(::dlsym(handle_, DllGetClassObjectName));
        registerServer =
            reinterpret_cast<DllRegisterServerFunction>(::dlsym(handle_, DllRegisterServerName));
        unregisterServer = reinterpret_cast<DllUnregisterServerFunction>(
            ::dlsym(handle_, DllUnregisterServerName));
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule() { unload(); }

    void unload() {
        if (handle_ != nullptr) {
            ::dlclose(handle_);
            handle_ = nullptr;
        }
    }

    ComPtr<IClassFactory> classFactory() const {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject(CLSID_WordAddin, IID_IClassFactory, factory.putVoid()), S_OK);
        return factory;
    }

    DllCanUnloadNowFunction canUnloadNow = nullptr;
    DllGetClassObjectFunction getClassObject = nullptr;
    DllRegisterServerFunction registerServer = nullptr;
    DllUnregisterServerFunction unregisterServer = nullptr;

private:
    void* handle_;
};

class PlovraModule : public ::testing::Test {
protected:
    PlovraModule() { ::setenv(Registry::relocationVariable, dir.path().c_str(), 1); }
    ~PlovraModule() override { ::unsetenv(Registry::relocationVariable); }

    RegistryKey hive(RegistryHive which) const { return registry.read(which); }
    std::string file(RegistryHive which) const { return TempDir::read(registry.hiveFile(which)); }

    TempDir dir;
    Registry registry{dir.path().string(), dir.path().string()};
    LoadedModule module{ZARTA_PLOVRA_MODULE};
};

std::vector<std::string> subkeyNames(const RegistryKey* key) {
    std::vector<std::string> names;
    if (key != nullptr) {
        for (const RegistryKey& subkey : key->subkeys()) {
            names.push_back(subkey.name());
        }
    }
    return names;
}

// The contents of a section of a 64-bit ELF file, read from the file alone; empty when the
// file has no such section.
std::string elfSection(const std::string& path, const std::string& name) {
    const std::string image = TempDir::read(path);
    if (image.size() < sizeof(Elf64_Ehdr)) {
        return {};
    }
    Elf64_Ehdr header;
    std::memcpy(&header, image.data(), sizeof header);
    auto section = [&](std::size_t index) {
        Elf64_Shdr entry{};
        const std::size_t at = header.e_shoff + index * header.e_shentsize;
        if (at + sizeof entry <= image.size()) {
            std::memcpy(&entry, image.data() + at, sizeof entry);
        }
        return entry;
    };
    const Elf64_Shdr names = section(header.e_shstrndx);
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr entry = section(i);
        if (image.compare(names.sh_offset + entry.sh_name, name.size() + 1, name.c_str(),
                          name.size() + 1) == 0 &&
            entry.sh_offset + entry.sh_size <= image.size()) {
            return image.substr(entry.sh_offset, entry.sh_size);
        }
    }
    return {};
}

// An outer object that counts what reaches it through an aggregated inner object.
class Outer final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override {
        ++queries;
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }

    int queries = 0;
    ULONG references = 1;
};

} // namespace

TEST_F(PlovraModule, RegisteringTwiceLeavesOneClassKeyWithExactlyItsSubkeys) {
    ASSERT_EQ(module.registerServer(), S_OK);
    registry.edit(RegistryHive::ClassesRoot, [](RegistryKey& root) {
        root.create(clsidKey + "\\Stale\\Deeper").setString("", "old");
        root.create(clsidKey + "\\Programmable\\Stale");
        root.create(clsidKey).setString("OldValue", "old");
    });
    ASSERT_EQ(module.registerServer(), S_OK);

    const RegistryKey classes = hive(RegistryHive::ClassesRoot);
    EXPECT_EQ(subkeyNames(classes.find("CLSID")),
              std::vector<std::string>{"{93981385-8C78-4290-AFDD-7926B7D749AA}"});
    const RegistryKey* key = classes.find(clsidKey);
    EXPECT_EQ(subkeyNames(key),
              (std::vector<std::string>{"InprocServer32", "ProgID", "Programmable", "TypeLib",
                                        "VersionIndependentProgID"}));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->values().size(), 1u);
    EXPECT_TRUE(key->find("Programmable")->empty());
}

TEST_F(PlovraModule, EntriesNameTheModuleAsLoadedWhateverItsPathHolds) {
    // A copy in a folder whose name holds a quote of the script's syntax, a space and a
    // double quote, loaded through a relative path.
    const std::filesystem::path folder = dir.path() / "it's a \"folder\"";
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(ZARTA_PLOVRA_MODULE, folder / "Plovra.so");
    const std::string copy = realPath((folder / "Plovra.so").string());
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    LoadedModule moved("./it's a \"folder\"/Plovra.so");
    std::filesystem::current_path(previous);
    ASSERT_NE(moved.registerServer, nullptr);
    ASSERT_EQ(moved.registerServer(), S_OK);

    const RegistryKey classes = hive(RegistryHive::ClassesRoot);
    const RegistryValue* server = classes.find(clsidKey + "\\InprocServer32")->value("");
    EXPECT_EQ(server->text, copy);
    EXPECT_EQ(classes.find(typeLibKey + "\\1.0\\0\\linux64")->value("")->text, copy);
    EXPECT_EQ(classes.find(typeLibKey + "\\1.0\\HELPDIR")->value("")->text, realPath(folder));
    EXPECT_EQ(classes.find(interfaceKey + "\\TypeLib")->value("Version")->text, "1.0");

    const RegistryKey user = hive(RegistryHive::CurrentUser);
    const RegistryKey* addin = user.find(addinKey);
    ASSERT_NE(addin, nullptr);
    for (const char* name : {"LoadBehavior", "CommandLineSafe"}) {
        EXPECT_EQ(addin->value(name)->type, RegistryValue::Type::Dword) << name;
    }
}

TEST_F(PlovraModule, UnregisteringRemovesTheAddinsKeysAndKeepsWhatOthersUse) {
    struct Case {
        const char* what;
        bool othersPresent;
    };
    const Case cases[] = {{"alone", false}, {"beside the word processor's settings", true}};
    for (const Case& c : cases) {
        std::filesystem::remove(registry.hiveFile(RegistryHive::ClassesRoot));
        std::filesystem::remove(registry.hiveFile(RegistryHive::CurrentUser));
        ASSERT_EQ(module.registerServer(), S_OK);
        if (c.othersPresent) {
            registry.edit(RegistryHive::CurrentUser, [](RegistryKey& root) {
                root.create("Software\\Microsoft\\Office\\Word\\Options").setDword("Zoom", 100);
                root.create("Software\\Microsoft\\Office\\Word\\Addins").setString("Note", "x");
            });
            registry.edit(RegistryHive::ClassesRoot, [](RegistryKey& root) {
                root.create("CLSID\\{00000000-1111-2222-3333-444444444444}");
            });
        }
        ASSERT_EQ(module.unregisterServer(), S_OK) << c.what;
        // A second time finds nothing left to remove, which is no error.
        ASSERT_EQ(module.unregisterServer(), S_OK) << c.what;

        const RegistryKey classes = hive(RegistryHive::ClassesRoot);
        const RegistryKey user = hive(RegistryHive::CurrentUser);
        for (const std::string& gone :
             {clsidKey, std::string("ZartaWordToPDF.WordAddin"),
              std::string("ZartaWordToPDF.WordAddin.1"), typeLibKey, interfaceKey}) {
            EXPECT_EQ(classes.find(gone), nullptr) << c.what << ": " << gone;
        }
        EXPECT_NE(classes.find("CLSID"), nullptr) << c.what;
        EXPECT_EQ(user.find(addinKey), nullptr) << c.what;
        EXPECT_EQ(user.find("Software\\Microsoft\\Office\\Word") != nullptr, c.othersPresent)
            << c.what;
        EXPECT_EQ(user.find("Software\\Microsoft\\Office\\Word\\Addins") != nullptr,
                  c.othersPresent)
            << c.what;
    }
}

TEST_F(PlovraModule, AnUnwritableUserBlockIsRolledBackAndNoTypeLibraryIsRegistered) {
    // The file cannot be replaced: a folder stands where its temporary copy must be written,
    // which stops root as well as anyone else.
    registry.edit(RegistryHive::CurrentUser,
                  [](RegistryKey& root) { root.create("Software\\Other").setString("A", "b"); });
    const std::string userBefore = file(RegistryHive::CurrentUser);
    std::filesystem::create_directory(registry.hiveFile(RegistryHive::CurrentUser) + ".new");

    EXPECT_EQ(module.registerServer(), HRESULT_FROM_WIN32(RegistryError::cannotWrite));
    const RegistryKey classes = hive(RegistryHive::ClassesRoot);
    EXPECT_NE(classes.find(clsidKey + "\\InprocServer32"), nullptr);
    EXPECT_NE(classes.find("ZartaWordToPDF.WordAddin\\CurVer"), nullptr);
    EXPECT_EQ(classes.find(typeLibKey), nullptr);
    EXPECT_EQ(classes.find(interfaceKey), nullptr);
    EXPECT_EQ(file(RegistryHive::CurrentUser), userBefore);
}

TEST_F(PlovraModule, ADamagedRegistryFileFailsRegistrationAndStaysUntouched) {
    ASSERT_EQ(module.registerServer(), S_OK);
    const std::string whole = file(RegistryHive::ClassesRoot);
    const std::string truncated = whole.substr(0, whole.size() / 2);
    TempDir::write(registry.hiveFile(RegistryHive::ClassesRoot), truncated);
    std::filesystem::remove(registry.hiveFile(RegistryHive::CurrentUser));

    for (auto entry : {module.registerServer, module.unregisterServer}) {
        EXPECT_EQ(entry(), HRESULT_FROM_WIN32(RegistryError::damaged));
        EXPECT_EQ(file(RegistryHive::ClassesRoot), truncated);
    }
    // Registration stopped at the damaged block, before the user's.
    EXPECT_FALSE(std::filesystem::exists(registry.hiveFile(RegistryHive::CurrentUser)));
}

TEST_F(PlovraModule, RegistryFilesSurviveAReloadByteForByte) {
    ASSERT_EQ(module.registerServer(), S_OK);
    const std::string classes = file(RegistryHive::ClassesRoot);
    const std::string user = file(RegistryHive::CurrentUser);
    EXPECT_EQ(RegFile::write(RegistryHive::ClassesRoot, hive(RegistryHive::ClassesRoot)), classes);
    EXPECT_EQ(RegFile::write(RegistryHive::CurrentUser, hive(RegistryHive::CurrentUser)), user);
    module.unload();
    LoadedModule reloaded(ZARTA_PLOVRA_MODULE);
    ASSERT_EQ(reloaded.registerServer(), S_OK);
    EXPECT_EQ(file(RegistryHive::ClassesRoot), classes);
    EXPECT_EQ(file(RegistryHive::CurrentUser), user);
}

TEST_F(PlovraModule, ClassObjectServesOnlyItsClassAndAggregatesOnlyAsIUnknown) {
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(module.getClassObject(IID_IWordAddin, IID_IClassFactory, unknown.putVoid()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(unknown.get(), nullptr);
    ASSERT_EQ(module.getClassObject(CLSID_WordAddin, IID_IUnknown, unknown.putVoid()), S_OK);
    ComPtr<IClassFactory> factory = module.classFactory();
    EXPECT_EQ(static_cast<IUnknown*>(factory.get()), unknown.get());
    factory.reset();

    unknown.reset();
    Outer outer;
    struct Case {
        IUnknown* outer;
        IID iid;
        HRESULT expected;
    };
    const Case cases[] = {
        {nullptr, IID_IUnknown, S_OK},
        {nullptr, IID_IWordAddin, S_OK},
        {nullptr, IID_IDispatch, S_OK},
        {nullptr, IID_ISupportErrorInfo, S_OK},
        {nullptr, IID_IDTExtensibility2, S_OK},
        {nullptr, IID_IClassFactory, E_NOINTERFACE},
        {nullptr, IID_ITypeInfo, E_NOINTERFACE},
        {&outer, IID_IUnknown, S_OK},
        {&outer, IID_IDispatch, CLASS_E_NOAGGREGATION},
        {&outer, IID_IWordAddin, CLASS_E_NOAGGREGATION},
    };
    for (const Case& c : cases) {
        ComPtr<IClassFactory> each = module.classFactory();
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(each->CreateInstance(c.outer, c.iid, &object), c.expected) << c.iid.toString();
        if (SUCCEEDED(c.expected)) {
            ASSERT_NE(object, nullptr);
            static_cast<IUnknown*>(object)->Release();
        } else {
            EXPECT_EQ(object, nullptr) << c.iid.toString();
        }
        each.reset();
        // Whatever the outcome, no object is left behind to lock the module.
        EXPECT_EQ(module.canUnloadNow(), S_OK) << c.iid.toString();
    }
    EXPECT_EQ(outer.references, 1u);
}

TEST_F(PlovraModule, CanUnloadOnlyWhenNoObjectLockOrClassObjectIsHeld) {
    EXPECT_EQ(module.canUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory = module.classFactory();
    EXPECT_EQ(module.canUnloadNow(), S_FALSE) << "class object held";

    ComPtr<IUnknown> first;
    ComPtr<IUnknown> second;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, first.putVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, second.putVoid()), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();

    struct Step {
        const char* what;
        std::function<void()> action;
        HRESULT expected;
    };
    const Step steps[] = {
        {"two objects and a lock", [] {}, S_FALSE},
        {"one object gone", [&] { first.reset(); }, S_FALSE},
        {"both objects gone, still locked", [&] { second.reset(); }, S_FALSE},
        {"unlocked",
         [&] {
             factory = module.classFactory();
             factory->LockServer(FALSE);
             factory.reset();
         },
         S_OK},
    };
    for (const Step& step : steps) {
        step.action();
        EXPECT_EQ(module.canUnloadNow(), step.expected) << step.what;
    }
}

TEST_F(PlovraModule, AnAggregatedObjectDelegatesToItsOuterObject) {
    const ComPtr<IClassFactory> factory = module.classFactory();
    Outer outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)),
              S_OK);
    EXPECT_EQ(outer.references, 1u) << "the inner unknown counts its own references";

    IWordAddin* addin = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IWordAddin, reinterpret_cast<void**>(&addin)), S_OK);
    EXPECT_EQ(outer.references, 2u) << "an interface's reference goes to the outer object";
    void* unrelated = nullptr;
    EXPECT_EQ(addin->QueryInterface(IID_IClassFactory, &unrelated), E_NOINTERFACE);
    EXPECT_EQ(outer.queries, 1) << "an interface's query goes to the outer object";
    addin->Release();
    EXPECT_EQ(outer.references, 1u);

    IUnknown* innerAgain = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&innerAgain)), S_OK);
    EXPECT_EQ(innerAgain, inner) << "the inner unknown answers IUnknown with itself";
    innerAgain->Release();
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(outer.references, 1u);
}

TEST_F(PlovraModule, TheAddinAnswersItsInterfacesWithOneIdentity) {
    const ComPtr<IClassFactory> factory = module.classFactory();
    ComPtr<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.putVoid()), S_OK);

    ComPtr<IDTExtensibility2> extensibility;
    ComPtr<IDispatch> dispatch;
    ComPtr<IWordAddin> addin;
    ComPtr<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(object->QueryInterface(IID_IDTExtensibility2, extensibility.putVoid()), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_IDispatch, dispatch.putVoid()), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_IWordAddin, addin.putVoid()), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_ISupportErrorInfo, errorInfo.putVoid()), S_OK);
    EXPECT_EQ(static_cast<IDispatch*>(extensibility.get()), dispatch.get())
        << "IDispatch is answered with the add-in interface";
    for (IUnknown* from :
         {static_cast<IUnknown*>(addin.get()), static_cast<IUnknown*>(errorInfo.get()),
          static_cast<IUnknown*>(dispatch.get())}) {
        ComPtr<IUnknown> identity;
        ASSERT_EQ(from->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
        EXPECT_EQ(identity.get(), object.get());
    }

    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IWordAddin), S_OK);
    for (const IID& other : {IID_IDispatch, IID_IDTExtensibility2, IID_IUnknown}) {
        EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(other), S_FALSE) << other.toString();
    }
    EXPECT_EQ(extensibility->OnAddInsUpdate(nullptr), E_NOTIMPL);
    EXPECT_EQ(extensibility->OnStartupComplete(nullptr), E_NOTIMPL);
    EXPECT_EQ(extensibility->OnBeginShutdown(nullptr), E_NOTIMPL);
}

TEST_F(PlovraModule, IWordAddinsDispatchIsServedFromTheTypeLibrary) {
    const ComPtr<IClassFactory> factory = module.classFactory();
    ComPtr<IWordAddin> addin;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IWordAddin, addin.putVoid()), S_OK);

    UINT count = 0;
    ASSERT_EQ(addin->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> typeInfo;
    EXPECT_EQ(addin->GetTypeInfo(1, 0, typeInfo.put()), DISP_E_BADINDEX);
    ASSERT_EQ(addin->GetTypeInfo(0, 0, typeInfo.put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(typeInfo->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, IID_IWordAddin);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FDUAL, 0);
    EXPECT_EQ(attributes->cFuncs, 0);
    typeInfo->ReleaseTypeAttr(attributes);
    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(typeInfo->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(utf8FromBstr(name), "IWordAddin");
    EXPECT_EQ(utf8FromBstr(help), "IWordAddin Interface");
    SysFreeString(name);
    SysFreeString(help);

    BSTR member = bstrFromUtf8("Anything");
    DISPID id = 0;
    EXPECT_EQ(addin->GetIDsOfNames(GUID_NULL, &member, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    SysFreeString(member);
    DISPPARAMS none;
    EXPECT_EQ(addin->Invoke(1, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

// As in a host of another toolkit: no Qt application runs in the process, so the button's face
// can only go through the clipboard the host offers. It is a 32 x 32 picture with an alpha
// channel (the host's button colour shows through), and the host's clipboard gets its
// contents back.
TEST_F(PlovraModule, WithoutAQtApplicationTheFaceGoesThroughTheHostsClipboard) {
    RecordingHostBackend backend;
    const RecordingHostBackend::Bytes userContents{'t', 'e', 'x', 't'};
    backend.clipboard = userContents;
    {
        HostObjectModel model(backend);
        ComPtr<IDTExtensibility2> addin;
        ASSERT_EQ(
            module.classFactory()->CreateInstance(nullptr, IID_IDTExtensibility2, addin.putVoid()),
            S_OK);
        ASSERT_EQ(addin->OnConnection(model.application(), 1, nullptr, nullptr), S_OK);
        EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
    }
    ASSERT_EQ(backend.faces.size(), 1u);
    const RecordingHostBackend::Bytes& face = backend.faces[0];
    ASSERT_TRUE(RecordingHostBackend::isPng(face));
    // The PNG header: width and height big-endian at 16 and 20, colour type 6 (RGBA) at 25.
    ASSERT_GT(face.size(), 26u);
    EXPECT_EQ(face[19], 32);
    EXPECT_EQ(face[23], 32);
    EXPECT_EQ(face[25], 6);
    EXPECT_GT(face.size(), 200u) << "a picture, not an empty square";
    EXPECT_EQ(backend.clipboard, userContents);
    EXPECT_EQ(backend.buttons.at(0).caption, "Zarta Word To PDF");
}

TEST_F(PlovraModule, UnloadingEndsTheModuleAndLoadingStartsItAgain) {
    {
        // The class object is made and cached by this load.
        ComPtr<IClassFactory> factory = module.classFactory();
    }
    module.unload();
    EXPECT_EQ(::dlopen(ZARTA_PLOVRA_MODULE, RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the module stayed in memory after its last dlclose";

    LoadedModule again(ZARTA_PLOVRA_MODULE);
    ComPtr<IClassFactory> factory = again.classFactory();
    ComPtr<IUnknown> object;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.putVoid()), S_OK);
    EXPECT_EQ(std::filesystem::path(ZARTA_PLOVRA_MODULE).filename(), "Plovra.so");
}

TEST(PlovraModuleFile, CarriesItsVersionInformationReadableWithoutLoadingIt) {
    const std::string block = elfSection(ZARTA_PLOVRA_MODULE, ".zarta.version");
    for (const char* line : {"StringFileInfo=040904b0\n", "FileVersion=1, 0, 0, 7\n",
                             "ProductName=Plovra Module\n", "PrivateBuild=2010102503\n"}) {
        EXPECT_NE(block.find(line), std::string::npos) << line << " in:\n" << block;
    }
}
