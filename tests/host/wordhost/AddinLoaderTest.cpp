// The host's loading of registered add-ins, with a registry folder of the test's own, a
// recording test module, and the real add-in module connected to the test host.

#include "host/wordhost/AddinLoader.h"
#include "addin/WordAddinIds.h"
#include "platform/com/ServerExports.h"
#include "platform/registry/Registry.h"
#include "tests/support/RegisterModule.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestWordHost.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace zarta;
using namespace zarta::wordhost;
namespace fs = std::filesystem;

namespace {

// An add-in entry: the ProgID under the add-in list with its values, the ProgID's class and the
// class's module. Empty texts leave the piece out.
struct Entry {
    std::string progId;
    int loadBehavior = 3;
    int commandLineSafe = 1;
    std::string clsid;  // the class's number in braces
    std::string module; // "" for none
};

std::string clsidNumbered(int number) {
    char text[64];
    std::snprintf(text, sizeof text, "{5A17A000-0000-4000-8000-0000000000%02X}", number);
    return text;
}

class AddinLoading : public ::testing::Test {
protected:
    AddinLoading() : registry(dir.path().string(), dir.path().string()) {
        ::setenv("ZARTA_TEST_ADDIN_LOG", dir.file("calls.log").c_str(), 1);
    }
    ~AddinLoading() override { ::unsetenv("ZARTA_TEST_ADDIN_LOG"); }

    void add(const Entry& entry) {
        registry.edit(RegistryHive::CurrentUser, [&](RegistryKey& root) {
            RegistryKey& key =
                root.create(std::string(AddinLoader::addinsKey) + "\\" + entry.progId);
            key.setDword("LoadBehavior", std::uint32_t(entry.loadBehavior));
            key.setDword("CommandLineSafe", std::uint32_t(entry.commandLineSafe));
        });
        registry.edit(RegistryHive::ClassesRoot, [&](RegistryKey& root) {
            if (!entry.clsid.empty()) {
                root.create(entry.progId + "\\CLSID").setString("", entry.clsid);
            }
            if (!entry.module.empty()) {
                root.create("CLSID\\" + entry.clsid + "\\InprocServer32")
                    .setString("", entry.module);
            }
        });
    }
    Entry recording(const std::string& progId, int number) const {
        return {progId, 3, 1, clsidNumbered(number), ZARTA_RECORDING_ADDIN};
    }
    std::string calls() const {
        return fs::exists(dir.file("calls.log")) ? TempDir::read(dir.file("calls.log")) : "";
    }
    std::vector<std::string> load(bool withUserInterface = true) {
        loader.connectAll(host.application(), withUserInterface);
        return loader.connected();
    }
    // What the log reported beside the notes of connected add-ins.
    std::vector<std::string> problems() const {
        std::vector<std::string> found;
        for (const std::string& line : log) {
            if (line.find(" is connected") == std::string::npos) {
                found.push_back(line);
            }
        }
        return found;
    }
    static bool moduleLoaded(const char* path) {
        void* handle = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) {
            ::dlclose(handle);
        }
        return handle != nullptr;
    }

    TempDir dir;
    Registry registry;
    std::vector<std::string> log;
    TestWordHost host;
    AddinLoader loader{registry, [this](const std::string& line) { log.push_back(line); }};
};

TEST_F(AddinLoading, OnlyAddinsSetToLoadAtStartAreConnected) {
    const struct {
        const char* what;
        int loadBehavior;
        int commandLineSafe;
        bool withUserInterface;
        bool connected;
    } cases[] = {
        {"load at start", 3, 1, true, true},
        {"load at start, not command-line safe, with a user interface", 3, 0, true, true},
        {"load at start, not command-line safe, without a user interface", 3, 0, false, false},
        {"load at start, command-line safe, without a user interface", 3, 1, false, true},
        {"loaded on demand", 9, 1, true, false},
        {"unloaded", 2, 1, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Entry entry = recording("Test.Addin", 1);
        entry.loadBehavior = c.loadBehavior;
        entry.commandLineSafe = c.commandLineSafe;
        add(entry);
        EXPECT_EQ(load(c.withUserInterface).size(), c.connected ? 1u : 0u);
        loader.disconnectAll();
        EXPECT_EQ(log, c.connected ? std::vector<std::string>{"The add-in Test.Addin is connected"}
                                   : std::vector<std::string>{});
        log.clear();
    }
}

TEST_F(AddinLoading, ConnectsAtStartWithAnInstanceAndShutsDownInOrderThenUnloads) {
    add(recording("Test.First", 1));
    add(recording("Test.Second", 3));
    EXPECT_EQ(load(), (std::vector<std::string>{"Test.First", "Test.Second"}));
    loader.disconnectAll();
    EXPECT_EQ(calls(), "1 OnConnection application=yes mode=1 instance=yes\n"
                       "3 OnConnection application=yes mode=1 instance=yes\n"
                       "3 OnBeginShutdown\n"
                       "3 OnDisconnection mode=0\n"
                       "3 released\n"
                       "0 DllCanUnloadNow\n" // the first add-in still holds the module
                       "1 OnBeginShutdown\n"
                       "1 OnDisconnection mode=0\n"
                       "1 released\n"
                       "0 DllCanUnloadNow\n"
                       "0 DllCanUnloadNow\n");
    EXPECT_TRUE(loader.connected().empty());
    EXPECT_FALSE(moduleLoaded(ZARTA_RECORDING_ADDIN));
}

TEST_F(AddinLoading, ABrokenAddinIsReportedAndSkippedAndTheOthersLoad) {
    const struct {
        const char* what;
        Entry entry;
        const char* reported;
    } cases[] = {
        {"a ProgID with no class", {"Test.Broken", 3, 1, "", ""}, "its ProgID names no class"},
        {"a class with no module",
         {"Test.Broken", 3, 1, clsidNumbered(4), ""},
         "its class names no module"},
        {"a missing module",
         {"Test.Broken", 3, 1, clsidNumbered(5), "/nowhere/Missing.so"},
         "its module cannot be loaded"},
        {"a module with no entry point",
         {"Test.Broken", 3, 1, clsidNumbered(6), ZARTA_NO_ENTRY_MODULE},
         "has no DllGetClassObject"},
        {"a failing OnConnection", recording("Test.Broken", 2), "OnConnection failed: E_FAIL"},
    };
    add(recording("Test.Good", 1));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        add(c.entry);
        EXPECT_EQ(load(), std::vector<std::string>{"Test.Good"});
        const auto reported = problems();
        ASSERT_EQ(reported.size(), 1u);
        EXPECT_NE(reported[0].find("The add-in Test.Broken is not loaded: "), std::string::npos)
            << reported[0];
        EXPECT_NE(reported[0].find(c.reported), std::string::npos) << reported[0];
        loader.disconnectAll();
        registry.edit(RegistryHive::ClassesRoot,
                      [](RegistryKey& root) { root.removeSubkey("Test.Broken"); });
    }
}

TEST_F(AddinLoading, TheRegisteredAddinModuleBuildsItsButtonInTheHost) {
    ASSERT_EQ(registerModule(ZARTA_PLOVRA_MODULE, dir.path()), com::S_OK);

    EXPECT_EQ(load(), std::vector<std::string>{"ZartaWordToPDF.WordAddin"});
    EXPECT_TRUE(problems().empty()) << problems().front();
    EXPECT_EQ(host.advised.size(), 1u);
    ASSERT_EQ(host.pastedFaces.size(), 1u);
    loader.disconnectAll();
    EXPECT_EQ(host.unadvised, host.advised);
    EXPECT_EQ(host.foreignReferences(), 0u);
    EXPECT_FALSE(moduleLoaded(ZARTA_PLOVRA_MODULE));
}

} // namespace
