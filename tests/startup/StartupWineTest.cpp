// The startup repair on a real Wine prefix (skipped when Wine is not installed): a fresh
// prefix has nothing to disable, and what Wine's own reg.exe shows after a repair and after the
// restore of its backup is what the repair and the restore promise.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <type_traits>

#include "backup/BackupRestorer.h"
#include "backup/BackupStore.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/threads/HeadlessUiBridge.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "startup/StartupClean.h"
#include "startup/StartupScan.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace quorvel::testing {
namespace {

using platform::wineprefix::WinePrefixMachine;

constexpr const char* kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The machine of a prefix with the program's real data files, and the workers run on it.
struct Session {
    explicit Session(std::unique_ptr<WinePrefixMachine> m) : machine(std::move(m)) {
        core::InitGlobals(*machine, BinDir(), globals, language);
    }
    template <class W, class... Args>
    void run(Args&&... args) {
        W worker(std::forward<Args>(args)..., status, context, bridge);
        worker.start();
        worker.wait();
        if constexpr (std::is_same_v<W, startup::TStartupClean>) result = worker.result();
    }

    std::unique_ptr<WinePrefixMachine> machine;
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::ProtectedFolders protectedFolders;
    core::Context context{*machine, globals, language, protectedFolders};
    core::HeadlessUiBridge bridge;
    core::StatusSink status;
    startup::StartupFindings findings;
    startup::StartupCleanResult result;
};

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
        Session fresh(open(prefix));
        ASSERT_TRUE(fresh.machine);
        fresh.run<startup::TStartupScan>(fresh.findings);
        EXPECT_TRUE(fresh.findings.empty()) << fresh.findings[0].Name;
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
        Session s(open(prefix));
        ASSERT_TRUE(s.machine);
        const std::string startupFolder = s.globals.UserStartup;
        ASSERT_FALSE(startupFolder.empty());
        ASSERT_TRUE(s.machine->fileSystem().createDirectoryTree(startupFolder));
        platform::ShellLink link;
        link.setTarget("C:\\Program Files\\QuickTime\\QTTask.exe");
        ASSERT_TRUE(s.machine->shell().writeLink(startupFolder + "QuickTime Task.lnk", link));
        s.run<startup::TStartupScan>(s.findings);
        ASSERT_EQ(s.findings.size(), 3u);
        s.run<startup::TStartupClean>(s.findings);
        const auto& result = s.result;
        ASSERT_TRUE(result.backupStatus) << result.backupStatus.message();
        ASSERT_TRUE(result.flushStatus) << result.flushStatus.message();
        EXPECT_EQ(result.disabled, 3u);
        backupEntry = result.backupEntry;
        EXPECT_FALSE(s.machine->fileSystem().exists(startupFolder + "QuickTime Task.lnk"));
    }

    auto query = WineTools::wine(prefix, {"reg", "query", std::string(kRun) + "-Disabled"});
    EXPECT_EQ(query.exitCode, 0) << query.text;
    EXPECT_NE(query.text.find("SunJavaUpdateSched"), std::string::npos) << query.text;
    EXPECT_NE(query.text.find("TkBellExe    REG_SZ    " + expandData), std::string::npos)
        << query.text;
    EXPECT_NE(WineTools::wine(prefix, {"reg", "query", kRun, "/v", "TkBellExe"}).exitCode, 0);
    WineTools::waitForServer(prefix);

    {
        Session s(open(prefix));
        ASSERT_TRUE(s.machine);
        backup::BackupStore store(s.machine->fileSystem(), s.globals.BackupsDir);
        const auto restored =
            backup::BackupRestorer(*s.machine, store).RestoreOneClick(backupEntry);
        ASSERT_TRUE(restored) << restored.message();
        EXPECT_TRUE(s.machine->fileSystem().exists(s.globals.UserStartup + "QuickTime Task.lnk"));
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
