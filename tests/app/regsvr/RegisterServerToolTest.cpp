#include "engine/ProductNames.h"
#include "platform/registry/Registry.h"

#include "tests/support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

using namespace zarta;

namespace {

struct Outcome {
    int status = -1;
    std::string output;
};

// Runs the real tool with its standard output and error gathered together.
Outcome runTool(const std::string& arguments) {
    Outcome outcome;
    FILE* pipe =
        ::popen((std::string("'") + ZARTA_REGSVR + "' " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    char buffer[512];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        outcome.output.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

} // namespace

TEST(RegisterServerTool, ExitStatusAndOutputNameTheOutcome) {
    TempDir dir;
    ::setenv(Registry::relocationVariable, dir.path().c_str(), 1);
    const std::string module = std::string("'") + ZARTA_PLOVRA_MODULE + "'";
    const std::string damaged = dir.file("HKEY_CLASSES_ROOT.reg");
    struct Case {
        const char* what;
        std::string arguments;
        bool damageTheRegistry;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {"register", module, false, 0,
         std::string("DllRegisterServer in ") + ZARTA_PLOVRA_MODULE +
             " succeeded: S_OK (0x00000000)\n"},
        {"unregister", "-u " + module, false, 0,
         std::string("DllUnregisterServer in ") + ZARTA_PLOVRA_MODULE +
             " succeeded: S_OK (0x00000000)\n"},
        {"damaged registry", module, true, 1,
         std::string("DllRegisterServer in ") + ZARTA_PLOVRA_MODULE +
             " failed: HRESULT_FROM_WIN32(1009) (0x800703F1)\n"},
        {"help", "--help", false, 0, "Usage: zarta-regsvr [-u] MODULE\nRegisters "},
        {"version", "--version", false, 0,
         "zarta-regsvr (" + std::string(ProductNames::product) + ") " +
             std::string(ProductNames::version) + "\n"},
        {"help with a module", "--help " + module, false, 2, "usage: zarta-regsvr [-u] MODULE\n"},
        {"no module", "", false, 2, "usage: zarta-regsvr [-u] MODULE\n"},
        {"two modules", module + " " + module, false, 2, "usage: zarta-regsvr [-u] MODULE\n"},
        {"unknown option", "-x " + module, false, 2, "usage: zarta-regsvr [-u] MODULE\n"},
        {"missing module", "'" + dir.file("absent.so") + "'", false, 3,
         "zarta-regsvr: cannot load " + dir.file("absent.so") + ": "},
        {"not in the working folder", "Plovra.so", false, 3, "zarta-regsvr: cannot load Plovra.so"},
        {"no entry points", std::string("'") + ZARTA_NO_ENTRY_MODULE + "'", false, 4,
         std::string("zarta-regsvr: ") + ZARTA_NO_ENTRY_MODULE +
             " has no entry point DllRegisterServer\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(damaged);
        if (c.damageTheRegistry) {
            TempDir::write(damaged, "Windows Registry Editor Version 5.00\n\n[HKEY_CLA");
        }
        const Outcome outcome = runTool(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.what << ": " << outcome.output;
        EXPECT_EQ(outcome.output.substr(0, c.output.size()), c.output) << c.what;
    }
    ::unsetenv(Registry::relocationVariable);
}

// A registry file a million levels deep once crashed the tool (the stack ran out); a module in
// a folder anyone can write is registered, with a warning that the add-in host will refuse it.
TEST(RegisterServerTool, SaysWhatIsDamagedAndWarnsOfModulesOthersCouldChange) {
    TempDir dir;
    ::setenv(Registry::relocationVariable, dir.path().c_str(), 1);
    std::string deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT";
    for (int level = 0; level < 1000000; ++level) {
        deep += "\\k";
    }
    TempDir::write(dir.file("HKEY_CLASSES_ROOT.reg"), deep + "]\n\n");
    const std::string module = std::string("'") + ZARTA_PLOVRA_MODULE + "'";
    const Outcome damaged = runTool(module);
    EXPECT_EQ(damaged.status, 1) << damaged.output;
    EXPECT_NE(damaged.output.find("zarta-regsvr: the registry file " +
                                  dir.file("HKEY_CLASSES_ROOT.reg") + " is damaged (line 3): "),
              std::string::npos)
        << damaged.output.substr(0, 1000);
    EXPECT_NE(damaged.output.find("keys are nested at most 512 levels"), std::string::npos);
    std::filesystem::remove(dir.file("HKEY_CLASSES_ROOT.reg"));

    const std::string open = dir.file("open");
    std::filesystem::create_directory(open);
    std::filesystem::copy_file(ZARTA_PLOVRA_MODULE, open + "/Plovra.so");
    std::filesystem::permissions(open, std::filesystem::perms::all);
    const Outcome warned = runTool("'" + open + "/Plovra.so'");
    EXPECT_EQ(warned.status, 0) << warned.output;
    EXPECT_EQ(warned.output.substr(0, warned.output.find('\n') + 1),
              "zarta-regsvr: warning: another user could change " + open +
                  "/Plovra.so (the folder \"" + open +
                  "\" can be written by other users (mode 0777)); the word processor will not "
                  "load it\n");
    EXPECT_NE(warned.output.find("DllRegisterServer in " + open + "/Plovra.so succeeded"),
              std::string::npos)
        << warned.output;
    ::unsetenv(Registry::relocationVariable);
}
