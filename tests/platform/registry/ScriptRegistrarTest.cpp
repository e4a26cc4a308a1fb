#include "platform/registry/ScriptRegistrar.h"
#include "platform/registry/RegFile.h"
#include "platform/registry/RegistrationScript.h"
#include "platform/registry/RegistryError.h"

#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace zarta;

namespace {

constexpr const char* script = R"(HKCR
{
    My.Thing = s 'Thing Class'
    {
        CLSID = s '{11111111-2222-3333-4444-555555555555}'
    }
    NoRemove CLSID
    {
        ForceRemove '{11111111-2222-3333-4444-555555555555}' = s 'Thing Class'
        {
            ForceRemove Programmable
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
        }
    }
}
HKCU
{
    Software
    {
        Vendor
        {
            'My Thing'
            {
                val Count = d 3
                val Mask = d 0xFFFFFFFF
            }
        }
    }
}
)";

class ScriptRegistrarTest : public ::testing::Test {
protected:
    RegistryKey hive(RegistryHive which) const { return registry.read(which); }
    std::string file(RegistryHive which) const { return TempDir::read(registry.hiveFile(which)); }

    TempDir dir;
    Registry registry{dir.path().string(), dir.path().string()};
    ScriptRegistrar registrar{registry};
    ScriptRegistrar::Replacements module{{"MODULE", "/opt/it's here/x.so"}};
};

} // namespace

TEST(RegistrationScript, ScriptsThatCannotBeReadAreRefused) {
    const char* refused[] = {
        "HKCR { 'A\\B' }",
        "HKCR { A { val 'x' = s 'y' } ",
        "HKXX { A }",
        "HKCR { A = q 'x' }",
        "HKCR { A = d 'twelve' }",
        "HKCR { A = d 4294967296 }",
        "HKCR { A = s 'unclosed }",
        "HKCR { val X = s 'at the root' }",
        "HKCR { '' }",
        "{ A }",
    };
    for (const char* text : refused) {
        EXPECT_THROW(RegistrationScript::parse(text), RegistrationScript::Error) << text;
    }
}

// Keys nest at most 512 levels, in a script as in the registry; reading a deeper script must
// say so, not recurse until the stack runs out.
TEST(RegistrationScript, KeysNestAtMost512Levels) {
    const auto nested = [](std::size_t levels) {
        std::string text = "HKCR\n{\n";
        for (std::size_t i = 0; i < levels; ++i) {
            text += "k {\n";
        }
        return text + std::string(levels + 1, '}');
    };
    EXPECT_NO_THROW(RegistrationScript::parse(nested(512)));
    for (const std::size_t levels : {std::size_t{513}, std::size_t{1000000}}) {
        try {
            RegistrationScript::parse(nested(levels));
            ADD_FAILURE() << levels << " levels were accepted";
        } catch (const RegistrationScript::Error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "registration script, line 515: keys are nested deeper than 512 levels");
        }
    }
}

TEST(RegistrationScript, QuotesFlagsValuesAndReplacements) {
    RegistrationScript parsed = RegistrationScript::parse(
        "hklm { noremove 'it''s' = s '%A%/%A%' { val N = d 0x10 val M = d 010 forceremove B } }");
    parsed.substitute({{"A", "%A%x"}});
    ASSERT_EQ(parsed.blocks().size(), 1u);
    EXPECT_EQ(parsed.blocks()[0].hive, RegistryHive::LocalMachine);
    const RegistrationScript::Key& key = parsed.blocks()[0].keys.at(0);
    EXPECT_EQ(key.name, "it's");
    EXPECT_TRUE(key.noRemove);
    EXPECT_FALSE(key.forceRemove);
    ASSERT_EQ(key.values.size(), 3u);
    // A replacement is not searched again for markers.
    EXPECT_EQ(key.values[0].text, "%A%x/%A%x");
    EXPECT_EQ(key.values[1].number, 16u);
    EXPECT_EQ(key.values[2].number, 10u) << "a leading zero does not make a number octal";
    EXPECT_TRUE(key.subkeys.at(0).forceRemove);
}

TEST_F(ScriptRegistrarTest, RegisteringTwiceRemovesStaleSubkeysOfForceRemoveKeysOnly) {
    ASSERT_EQ(registrar.registerServer(script, module), com::S_OK);
    registry.edit(RegistryHive::ClassesRoot, [](RegistryKey& root) {
        root.create("CLSID\\{11111111-2222-3333-4444-555555555555}\\Stale\\Deeper");
        root.create("CLSID\\{11111111-2222-3333-4444-555555555555}\\Programmable\\Stale");
        root.create("My.Thing\\Kept");
        root.create("CLSID\\{99999999-2222-3333-4444-555555555555}");
    });
    ASSERT_EQ(registrar.registerServer(script, module), com::S_OK);

    const RegistryKey root = hive(RegistryHive::ClassesRoot);
    const RegistryKey* clsid = root.find("CLSID\\{11111111-2222-3333-4444-555555555555}");
    ASSERT_NE(clsid, nullptr);
    std::vector<std::string> names;
    for (const RegistryKey& key : clsid->subkeys()) {
        names.push_back(key.name());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"InprocServer32", "Programmable"}));
    EXPECT_TRUE(clsid->find("Programmable")->empty());
    EXPECT_EQ(clsid->find("InprocServer32")->value("")->text, "/opt/it's here/x.so");
    EXPECT_NE(root.find("My.Thing\\Kept"), nullptr);
    EXPECT_NE(root.find("CLSID\\{99999999-2222-3333-4444-555555555555}"), nullptr);
    const RegistryKey user = hive(RegistryHive::CurrentUser);
    const RegistryKey* thing = user.find("Software\\Vendor\\My Thing");
    ASSERT_NE(thing, nullptr);
    EXPECT_EQ(thing->value("Mask")->type, RegistryValue::Type::Dword);
    EXPECT_EQ(thing->value("Mask")->number, 0xFFFFFFFFu);
}

TEST_F(ScriptRegistrarTest, UnregisteringKeepsSharedKeysThatHoldAnythingElse) {
    struct Case {
        const char* what;
        const char* plantedKey;   // created after registration, in HKEY_CURRENT_USER
        const char* plantedValue; // a value set on that key, or none
        const char* kept;         // the outermost key that must survive, or none
        const char* gone;         // a key that must be gone
    };
    const Case cases[] = {
        {"nothing else", nullptr, nullptr, nullptr, "Software"},
        {"another vendor", "Software\\Other", nullptr, "Software", "Software\\Vendor"},
        {"a sibling of the entry", "Software\\Vendor\\Other", nullptr, "Software\\Vendor",
         "Software\\Vendor\\My Thing"},
        {"a value of the vendor key", "Software\\Vendor", "Setting", "Software\\Vendor",
         "Software\\Vendor\\My Thing"},
        {"a key below the entry", "Software\\Vendor\\My Thing\\Child", nullptr,
         "Software\\Vendor\\My Thing\\Child", "Software\\Vendor\\Other"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(registry.hiveFile(RegistryHive::CurrentUser));
        ASSERT_EQ(registrar.registerServer(script, module), com::S_OK) << c.what;
        if (c.plantedKey != nullptr) {
            registry.edit(RegistryHive::CurrentUser, [&](RegistryKey& root) {
                RegistryKey& key = root.create(c.plantedKey);
                if (c.plantedValue != nullptr) {
                    key.setString(c.plantedValue, "x");
                }
            });
        }
        ASSERT_EQ(registrar.unregisterServer(script, module), com::S_OK) << c.what;
        const RegistryKey root = hive(RegistryHive::CurrentUser);
        if (c.kept != nullptr) {
            EXPECT_NE(root.find(c.kept), nullptr) << c.what;
        }
        EXPECT_EQ(root.find(c.gone), nullptr) << c.what;
        const RegistryKey* entry = root.find("Software\\Vendor\\My Thing");
        if (entry != nullptr) {
            EXPECT_TRUE(entry->values().empty()) << c.what;
        }
    }
    // The class keys go; the NoRemove key stays even when empty.
    const RegistryKey classes = hive(RegistryHive::ClassesRoot);
    ASSERT_NE(classes.find("CLSID"), nullptr);
    EXPECT_TRUE(classes.find("CLSID")->empty());
    EXPECT_EQ(classes.find("My.Thing"), nullptr);
}

TEST_F(ScriptRegistrarTest, UnregisteringWhatIsAlreadyGoneSucceeds) {
    EXPECT_EQ(registrar.unregisterServer(script, module), com::S_OK);
    ASSERT_EQ(registrar.registerServer(script, module), com::S_OK);
    registry.edit(RegistryHive::ClassesRoot, [](RegistryKey& root) {
        root.find("CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32")
            ->removeValue("ThreadingModel");
        root.removeSubkey("My.Thing");
    });
    EXPECT_EQ(registrar.unregisterServer(script, module), com::S_OK);
    EXPECT_EQ(hive(RegistryHive::ClassesRoot).find("CLSID\\{11111111-2222-3333-4444-555555555555}"),
              nullptr);
}

TEST_F(ScriptRegistrarTest, AFailingBlockIsRolledBackAndLaterBlocksAreNotWritten) {
    struct Case {
        const char* what;
        const char* text;
        com::HRESULT expected;
        bool classesWritten;
    };
    const Case cases[] = {
        {"a key name with a backslash", "HKCR { Good } HKCU { 'Bad\\Name' }", com::DISP_E_EXCEPTION,
         false},
        {"the machine hive", "HKCR { Good } HKLM { Denied } HKCU { Later }",
         com::HRESULT_FROM_WIN32(RegistryError::accessDenied), true},
        {"a control character in a key name", "HKCR { Good } HKCU { 'Bad\nName' } ",
         com::HRESULT_FROM_WIN32(RegistryError::invalidParameter), true},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(registry.hiveFile(RegistryHive::ClassesRoot));
        std::filesystem::remove(registry.hiveFile(RegistryHive::CurrentUser));
        EXPECT_EQ(registrar.registerServer(c.text, module), c.expected) << c.what;
        EXPECT_EQ(hive(RegistryHive::ClassesRoot).find("Good") != nullptr, c.classesWritten)
            << c.what;
        EXPECT_EQ(hive(RegistryHive::CurrentUser).find("Later"), nullptr) << c.what;
    }
}

TEST_F(ScriptRegistrarTest, ABlockWhoseFileCannotBeWrittenLeavesItAsItWas) {
    ASSERT_EQ(registrar.registerServer(script, module), com::S_OK);
    registry.edit(RegistryHive::CurrentUser, [](RegistryKey& root) {
        root.find("Software\\Vendor\\My Thing")->setDword("Count", 9);
    });
    const std::string userBefore = file(RegistryHive::CurrentUser);
    std::filesystem::remove(registry.hiveFile(RegistryHive::ClassesRoot));
    std::filesystem::create_directory(registry.hiveFile(RegistryHive::CurrentUser) + ".new");

    EXPECT_EQ(registrar.registerServer(script, module),
              com::HRESULT_FROM_WIN32(RegistryError::cannotWrite));
    EXPECT_NE(hive(RegistryHive::ClassesRoot).find("My.Thing"), nullptr);
    EXPECT_EQ(file(RegistryHive::CurrentUser), userBefore);
}
