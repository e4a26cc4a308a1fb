#include "platform/registry/Registry.h"
#include "platform/registry/RegFile.h"
#include "platform/registry/RegistryError.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zarta;

namespace {

// Sets an environment variable for one test and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name); old != nullptr) {
            old_ = old;
            hadOld_ = true;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (hadOld_) {
            ::setenv(name_, old_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

} // namespace

TEST(Registry, FilesFollowTheRelocationVariableElseTheConfigurationFolder) {
    ScopedEnvironment home("HOME", "/home/someone");
    struct Case {
        const char* relocated;
        const char* config;
        const char* userFile;
    };
    const Case cases[] = {
        {"/tmp/reg", "/cfg", "/tmp/reg/HKEY_CURRENT_USER.reg"},
        {nullptr, "/cfg", "/cfg/ZartaWordToPDF/registry/HKEY_CURRENT_USER.reg"},
        {nullptr, nullptr, "/home/someone/.config/ZartaWordToPDF/registry/HKEY_CURRENT_USER.reg"},
        {nullptr, "relative",
         "/home/someone/.config/ZartaWordToPDF/registry/HKEY_CURRENT_USER.reg"},
        {"", "/cfg", "/cfg/ZartaWordToPDF/registry/HKEY_CURRENT_USER.reg"},
    };
    for (const Case& c : cases) {
        ScopedEnvironment relocated(Registry::relocationVariable, c.relocated);
        ScopedEnvironment config("XDG_CONFIG_HOME", c.config);
        const Registry registry = Registry::forCurrentUser();
        EXPECT_EQ(registry.hiveFile(RegistryHive::CurrentUser), c.userFile);
        if (c.relocated != nullptr && *c.relocated != '\0') {
            EXPECT_EQ(registry.hiveFile(RegistryHive::LocalMachine),
                      std::string(c.relocated) + "/HKEY_LOCAL_MACHINE.reg");
        } else {
            EXPECT_EQ(registry.hiveFile(RegistryHive::LocalMachine).find("/home/"),
                      std::string::npos);
        }
    }
}

TEST(Registry, EditsCreateTheFolderAndSurviveAReloadByteForByte) {
    TempDir dir;
    const Registry registry((dir.path() / "a" / "b").string(), dir.path().string());
    registry.edit(RegistryHive::CurrentUser, [](RegistryKey& root) {
        root.create("Software\\Zarta").setString("Path", "/opt/z \"q\"");
        root.create("Software\\Zarta").setDword("Count", 7);
    });
    const std::string file = registry.hiveFile(RegistryHive::CurrentUser);
    const std::string bytes = TempDir::read(file);
    const RegistryKey hive = registry.read(RegistryHive::CurrentUser);
    EXPECT_EQ(RegFile::write(RegistryHive::CurrentUser, hive), bytes);
    EXPECT_EQ(hive.find("software\\zarta")->value("count")->number, 7u);

    // An edit that changes nothing leaves the file as it was.
    registry.edit(RegistryHive::CurrentUser,
                  [](RegistryKey& root) { root.create("Software\\Zarta").setDword("Count", 7); });
    EXPECT_EQ(TempDir::read(file), bytes);
    EXPECT_FALSE(std::filesystem::exists(file + ".new"));
    EXPECT_EQ(std::filesystem::status(dir.path() / "a" / "b").permissions(),
              std::filesystem::perms::owner_all);
}

TEST(Registry, ADamagedOrUnreadableFileIsReportedAndLeftUntouched) {
    TempDir dir;
    const Registry registry(dir.path().string(), dir.path().string());
    registry.edit(RegistryHive::CurrentUser,
                  [](RegistryKey& root) { root.create("Software\\Zarta").setString("A", "b"); });
    const std::string file = registry.hiveFile(RegistryHive::CurrentUser);
    const std::string whole = TempDir::read(file);

    struct Case {
        const char* what;
        std::string content;
        long code;
    };
    const Case cases[] = {
        {"cut inside a line", whole.substr(0, whole.size() - 5), RegistryError::damaged},
        {"empty", "", RegistryError::damaged},
        {"foreign text", "not a registry\n", RegistryError::damaged},
    };
    for (const Case& c : cases) {
        TempDir::write(file, c.content);
        bool edited = false;
        try {
            registry.edit(RegistryHive::CurrentUser, [&](RegistryKey&) { edited = true; });
            ADD_FAILURE() << c.what << ": the edit went through";
        } catch (const RegistryError& error) {
            EXPECT_EQ(error.code(), c.code) << c.what;
        }
        EXPECT_FALSE(edited) << c.what;
        EXPECT_EQ(TempDir::read(file), c.content) << c.what;
        EXPECT_THROW(registry.read(RegistryHive::CurrentUser), RegistryError) << c.what;
    }

    // A folder where the file should be cannot be read either.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    try {
        registry.read(RegistryHive::CurrentUser);
        ADD_FAILURE() << "a folder was read as a hive";
    } catch (const RegistryError& error) {
        EXPECT_EQ(error.code(), RegistryError::cannotRead);
    }
}

TEST(Registry, AWriteThatCannotCompleteKeepsTheOldFile) {
    TempDir dir;
    const Registry registry(dir.path().string(), dir.path().string());
    registry.edit(RegistryHive::CurrentUser,
                  [](RegistryKey& root) { root.create("Software\\Old"); });
    const std::string file = registry.hiveFile(RegistryHive::CurrentUser);
    const std::string before = TempDir::read(file);
    // A folder in the temporary file's place makes its creation fail, for root as well.
    std::filesystem::create_directory(file + ".new");
    try {
        registry.edit(RegistryHive::CurrentUser,
                      [](RegistryKey& root) { root.create("Software\\New"); });
        ADD_FAILURE() << "the edit went through";
    } catch (const RegistryError& error) {
        EXPECT_EQ(error.code(), RegistryError::cannotWrite);
    }
    EXPECT_EQ(TempDir::read(file), before);
    EXPECT_TRUE(std::filesystem::is_directory(file + ".new"));
}

TEST(Registry, TheMachineHiveIsReadButNeverWritten) {
    TempDir user;
    TempDir machine;
    const Registry registry(user.path().string(), machine.path().string());
    TempDir::write(
        machine.file("HKEY_LOCAL_MACHINE.reg"),
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZWTPath]\n"
        "\"InstallPath\"=\"/opt/zarta\"\n\n");
    const RegistryKey hive = registry.read(RegistryHive::LocalMachine);
    EXPECT_EQ(hive.find("SOFTWARE\\ZWTPath")->value("InstallPath")->text, "/opt/zarta");
    try {
        registry.edit(RegistryHive::LocalMachine, [](RegistryKey& root) { root.create("X"); });
        ADD_FAILURE() << "the machine hive was written";
    } catch (const RegistryError& error) {
        EXPECT_EQ(error.code(), RegistryError::accessDenied);
    }
    EXPECT_TRUE(registry.read(RegistryHive::CurrentUser).empty());
}

TEST(Registry, TwoProcessesWritingAtOnceKeepEachOthersKeys) {
    TempDir dir;
    const Registry registry(dir.path().string(), dir.path().string());
    constexpr int writers = 2;
    constexpr int keysEach = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                for (int k = 0; k < keysEach; ++k) {
                    registry.edit(RegistryHive::CurrentUser, [&](RegistryKey& root) {
                        root.create("Software\\Writer" + std::to_string(w) + "\\Key" +
                                    std::to_string(k))
                            .setDword("", static_cast<std::uint32_t>(k));
                    });
                }
            } catch (...) {
                status = 1;
            }
            ::_exit(status);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const RegistryKey hive = registry.read(RegistryHive::CurrentUser);
    for (int w = 0; w < writers; ++w) {
        const RegistryKey* writer = hive.find("Software\\Writer" + std::to_string(w));
        ASSERT_NE(writer, nullptr);
        EXPECT_EQ(writer->subkeys().size(), static_cast<std::size_t>(keysEach)) << w;
    }
}
