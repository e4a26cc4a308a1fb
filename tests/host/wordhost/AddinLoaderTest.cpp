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
#include <pwd.h>
#include <unistd.h>

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

// A module, or a registry file naming one, that another local user could change would run
// their code inside the office: such an add-in is refused, naming the path at fault.
class UntrustedAddins : public AddinLoading {
protected:
    // A copy of the recording module in the folder `name` (made with folderMode), with fileMode.
    std::string moduleIn(const std::string& name, fs::perms folderMode, fs::perms fileMode) {
        const std::string folder = dir.file(name);
        fs::create_directory(folder);
        const std::string module = folder + "/Addin.so";
        fs::copy_file(ZARTA_RECORDING_ADDIN, module);
        fs::permissions(module, fileMode);
        fs::permissions(folder, folderMode);
        return module;
    }

    // Loads the add-in with its module at `module`; the log's problems.
    std::vector<std::string> loadFrom(const std::string& module, int number) {
        log.clear();
        add({"Test.Addin", 3, 1, clsidNumbered(number), module});
        load();
        loader.disconnectAll();
        return problems();
    }
};

TEST_F(UntrustedAddins, AModuleOthersCouldChangeIsRefusedNamingThePath) {
    using fs::perms;
    const perms open = perms::all;
    const perms shared = perms::owner_all | perms::group_read | perms::group_exec |
                         perms::others_read | perms::others_exec;
    const perms sticky = perms::all | perms::sticky_bit;
    struct Case {
        const char* what;
        std::string module;
        std::string reported; // empty: loaded
    };
    const Case cases[] = {
        {"a module of ours in a folder of ours", moduleIn("own", shared, shared), ""},
        {"a folder anyone can write", moduleIn("open", open, shared),
         "the folder \"" + dir.file("open") + "\" can be written by other users (mode 0777)"},
        {"a module anyone can write", moduleIn("writable", shared, open),
         "\"" + dir.file("writable") + "/Addin.so\" can be written by other users (mode 0777)"},
        {"a module its group can write", moduleIn("group", shared, shared | perms::group_write),
         "\"" + dir.file("group") + "/Addin.so\" can be written by other users (mode 0775)"},
        {"a module of ours in a sticky folder anyone can write", moduleIn("sticky", sticky, shared),
         ""},
        {"a link to it in a folder anyone can write",
         [&] {
             fs::create_directory_symlink(dir.file("own"), dir.file("open") + "/to-own");
             return dir.file("open") + "/to-own/Addin.so";
         }(),
         "the folder \"" + dir.file("open") + "\" can be written by other users (mode 0777)"},
        {"a link to a folder anyone can write",
         [&] {
             fs::create_directory_symlink(dir.file("open"), dir.file("own") + "/to-open");
             return dir.file("own") + "/to-open/Addin.so";
         }(),
         "the folder \"" + dir.file("open") + "\" can be written by other users (mode 0777)"},
    };
    int number = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto reported = loadFrom(c.module, ++number);
        if (c.reported.empty()) {
            EXPECT_TRUE(reported.empty()) << reported.front();
            continue;
        }
        ASSERT_EQ(reported.size(), 1u);
        EXPECT_EQ(reported[0], "The add-in Test.Addin is not loaded: its module " + c.module +
                                   " is refused, another user could change it: " + c.reported);
        EXPECT_FALSE(moduleLoaded(c.module.c_str()));
    }
    EXPECT_TRUE(calls().find("OnConnection") != std::string::npos);
}

TEST_F(UntrustedAddins, ARegistryFileOthersCouldChangeIsNotRead) {
    add(recording("Test.Addin", 1));
    struct Case {
        const char* what;
        RegistryHive hive;
        std::string reported;
    };
    const std::string user = registry.hiveFile(RegistryHive::CurrentUser);
    const std::string classes = registry.hiveFile(RegistryHive::ClassesRoot);
    const Case cases[] = {
        {"the add-in list", RegistryHive::CurrentUser,
         "The add-in list is not read: another user could change it: \"" + user +
             "\" can be written by other users (mode 0622)"},
        {"the classes", RegistryHive::ClassesRoot,
         "The add-in Test.Addin is not loaded: another user could change the classes: \"" +
             classes + "\" can be written by other users (mode 0622)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = registry.hiveFile(c.hive);
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_write | fs::perms::others_write);
        log.clear();
        EXPECT_TRUE(load().empty());
        EXPECT_EQ(log, std::vector<std::string>{c.reported});
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_EQ(load(), std::vector<std::string>{"Test.Addin"});
}

// Another account's files, as root makes them: the user nobody owns the module, or the folder
// it is in.
TEST_F(UntrustedAddins, AModuleOrFolderOfAnotherUserIsRefused) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) {
        GTEST_SKIP() << "needs root (to give files to the user nobody)";
    }
    const fs::perms shared = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec;
    const std::string theirModule = moduleIn("their-module", shared, shared);
    ASSERT_EQ(::chown(theirModule.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    const std::string inTheirFolder = moduleIn("their-folder", shared, shared);
    ASSERT_EQ(::chown(dir.file("their-folder").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    const std::pair<std::string, std::string> cases[] = {
        {theirModule, "\"" + theirModule + "\" belongs to the user \"nobody\""},
        {inTheirFolder,
         "the folder \"" + dir.file("their-folder") + "\" belongs to the user \"nobody\""},
    };
    int number = 20;
    for (const auto& [module, reported] : cases) {
        EXPECT_EQ(
            loadFrom(module, ++number),
            std::vector<std::string>{"The add-in Test.Addin is not loaded: its module " + module +
                                     " is refused, another user could change it: " + reported});
        EXPECT_FALSE(moduleLoaded(module.c_str()));
    }
}

// The host reads the add-in list at every office start: a file a million levels deep must be
// reported, not overflow the stack.
TEST_F(AddinLoading, ADamagedAddinListIsReportedNamingFileAndLine) {
    std::string deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER";
    for (int level = 0; level < 1000000; ++level) {
        deep += "\\k";
    }
    TempDir::write(registry.hiveFile(RegistryHive::CurrentUser), deep + "]\n\n");
    EXPECT_TRUE(load().empty());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].substr(0, log[0].find(": the key")),
              "The add-in list cannot be read: the registry file " +
                  registry.hiveFile(RegistryHive::CurrentUser) + " is damaged (line 3)");
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
