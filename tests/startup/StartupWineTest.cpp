// The startup repair on a real Wine prefix (skipped when Wine is not installed): a fresh
// prefix has nothing to disable, and what Wine's own reg.exe shows after a repair and after the
// restore of its backup is what the repair and the restore promise.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "backup/BackupRestorer.h"
#include "backup/BackupStore.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "startup/StartupClean.h"
#include "startup/StartupScan.h"
#include "support/EngineSession.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace quorvel::testing {
namespace {

using platform::wineprefix::WinePrefixMachine;

constexpr const char* kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::unique_ptr<WinePrefixMachine> open(const std::filesystem::path& prefix) {
    auto machine = WinePrefixMachine::open(prefix);
    if (!machine) ADD_FAILURE() << machine.status().message();
    return machine ? std::move(*machine) : nullptr;
}

void plantFile(const std::filesystem::path& prefix, const std::string& below) {
    const auto path = prefix / "drive_c" / below;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "MZ";
}

TEST(StartupWine, AFreshPrefixHasNoFindingsAndARepairIsUndoneByItsBackup) {
    if (!WineTools::available()) GTEST_SKIP() << "wine is not installed";
    if (!std::filesystem::exists(BinDir() / "data" / "startup.dat"))
        GTEST_SKIP() << "data/startup.dat is not built beside the tests";
    TempDir dir;
    const auto prefix = dir.path() / "prefix";
    if (auto error = WineTools::makePrefix(prefix)) GTEST_SKIP() << "wineboot failed: " << *error;
    struct Killer {
        std::filesystem::path prefix;
        ~Killer() { WineTools::killServer(prefix); }
    } killer{prefix};

    {
        const auto machine = open(prefix);
        ASSERT_TRUE(machine);
        EngineSession s(*machine, BinDir());
        startup::StartupFindings findings;
        s.run<startup::TStartupScan>(findings, s.status, s.context, s.bridge);
        EXPECT_TRUE(findings.empty()) << findings[0].Name;
    }

    plantFile(prefix, "Program Files/Java/jusched.exe");
    plantFile(prefix, "Program Files/Real/realsched.exe");
    plantFile(prefix, "Program Files/QuickTime/QTTask.exe");
    const std::string expandData = "%ProgramFiles%\\Real\\realsched.exe -osboot";
    for (const auto& add : std::vector<std::vector<std::string>>{
             {"reg", "add", kRun, "/v", "SunJavaUpdateSched", "/t", "REG_SZ", "/d",
              "\"C:\\Program Files\\Java\\jusched.exe\"", "/f"},
             {"reg", "add", kRun, "/v", "TkBellExe", "/t", "REG_EXPAND_SZ", "/d", expandData,
              "/f"}}) {
        const auto out = WineTools::wine(prefix, add);
        ASSERT_EQ(out.exitCode, 0) << out.text;
    }
    WineTools::waitForServer(prefix);

    std::string backupEntry;
    {
        const auto machine = open(prefix);
        ASSERT_TRUE(machine);
        EngineSession s(*machine, BinDir());
        const std::string startupFolder = s.globals.UserStartup;
        ASSERT_FALSE(startupFolder.empty());
        ASSERT_TRUE(machine->fileSystem().createDirectoryTree(startupFolder));
        platform::ShellLink link;
        link.setTarget("C:\\Program Files\\QuickTime\\QTTask.exe");
        ASSERT_TRUE(machine->shell().writeLink(startupFolder + "QuickTime Task.lnk", link));
        startup::StartupFindings findings;
        s.run<startup::TStartupScan>(findings, s.status, s.context, s.bridge);
        ASSERT_EQ(findings.size(), 3u);
        const auto result =
            s.run<startup::TStartupClean>(findings, s.status, s.context, s.bridge).result();
        ASSERT_TRUE(result.backupStatus) << result.backupStatus.message();
        ASSERT_TRUE(result.flushStatus) << result.flushStatus.message();
        EXPECT_EQ(result.disabled, 3u);
        backupEntry = result.backupEntry;
        EXPECT_FALSE(machine->fileSystem().exists(startupFolder + "QuickTime Task.lnk"));
    }

    auto query = WineTools::wine(prefix, {"reg", "query", std::string(kRun) + "-Disabled"});
    EXPECT_EQ(query.exitCode, 0) << query.text;
    EXPECT_NE(query.text.find("SunJavaUpdateSched"), std::string::npos) << query.text;
    EXPECT_NE(query.text.find("TkBellExe    REG_SZ    " + expandData), std::string::npos)
        << query.text;
    EXPECT_NE(WineTools::wine(prefix, {"reg", "query", kRun, "/v", "TkBellExe"}).exitCode, 0);
    WineTools::waitForServer(prefix);

    {
        const auto machine = open(prefix);
        ASSERT_TRUE(machine);
        EngineSession s(*machine, BinDir());
        backup::BackupStore store(machine->fileSystem(), s.globals.BackupsDir);
        const auto restored = backup::BackupRestorer(*machine, store).RestoreOneClick(backupEntry);
        ASSERT_TRUE(restored) << restored.message();
        EXPECT_TRUE(machine->fileSystem().exists(s.globals.UserStartup + "QuickTime Task.lnk"));
    }
    query = WineTools::wine(prefix, {"reg", "query", kRun});
    EXPECT_EQ(query.exitCode, 0) << query.text;
    EXPECT_NE(query.text.find("TkBellExe    REG_EXPAND_SZ    " + expandData), std::string::npos)
        << query.text;
    EXPECT_NE(
        query.text.find("SunJavaUpdateSched    REG_SZ    \"C:\\Program Files\\Java\\jusched.exe\""),
        std::string::npos)
        << query.text;
}

}  // namespace
}  // namespace quorvel::testing
