#include <gtest/gtest.h>

#include "StartupFixture.h"
#include "backup/BackupRestorer.h"
#include "backup/BackupStore.h"
#include "startup/StartupClean.h"

namespace quorvel::testing {
namespace {

using platform::RegValue;
using platform::RootKey;
using startup::TStartupClean;

constexpr const char* kRunPath = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunDisabled = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-Disabled";
constexpr const char* kTool = "C:\\Program Files\\Tool\\tool.exe";

// Four rated entries: an expandable value in the machine's Run key, a plain one in the user's
// (unchecked before the repair), one in a Run key that the repair finds gone, and a shortcut in
// the user's Startup folder whose name already exists in the "-Disabled" folder.
class StartupCleanTest : public StartupFixture {
protected:
    void SetUp() override {
        writeDatabase({"hklmtool|tool.exe=90", "hkcutool|tool.exe=90", "linked|tool.exe=90",
                       "gone|tool.exe=90"});
        b.value(std::string("HKLM") + kRunPath, "HklmTool",
                RegValue::string("%ProgramFiles%\\Tool\\tool.exe -x", platform::regtype::ExpandSz));
        b.value(std::string("HKLM") + kRunPath, "Keep", RegValue::string("C:\\keep.exe"));
        b.value(std::string("HKCU") + kRunPath, "HkcuTool", RegValue::string(kTool));
        b.value(std::string("HKCU") + kRunPath + "Once", "Gone", RegValue::string(kTool));
        b.file(kTool, "MZ");
        open();
        user = globals().UserStartup.substr(0, globals().UserStartup.size() - 1);
        b.folder(user);
        shortcut(user + "\\Linked.lnk", kTool, "-tray");
        b.file(user + "-Disabled\\Linked.lnk", "older copy");
        scan();
        ASSERT_EQ(findings.size(), 4u);
        // The value vanishes between scan and repair: its disabled copy is still written.
        auto once = machine->registry().openKey(
            RootKey::CurrentUser, std::string(kRunPath) + "Once", platform::RegAccess::ReadWrite);
        ASSERT_TRUE(once);
        ASSERT_TRUE((*once)->deleteValue("Gone"));
        ASSERT_TRUE(machine->registry().flush());
        for (auto& f : findings)
            if (f.Name == "HkcuTool") f.Checked = false;
    }

    std::optional<RegValue> value(RootKey root, const std::string& key, const std::string& name) {
        auto opened = machine->registry().openKey(root, key);
        if (!opened) return std::nullopt;
        return (*opened)->value(name);
    }
    std::string host(const std::string& path) const { return b.hostPath(path).string(); }
    std::string contents(const std::string& path) const {
        auto read = machine->fileSystem().readFile(path);
        return read ? *read : std::string("<missing>");
    }

    std::string user;
};

TEST_F(StartupCleanTest, DryRunChangesNothingAndTheRepairMovesCheckedEntriesAsideWithABackup) {
    const std::string linkBytes = contents(user + "\\Linked.lnk");
    auto& dry = run<TStartupClean>("", true);
    EXPECT_EQ(dry.result().disabled, 3u);
    EXPECT_TRUE(value(RootKey::LocalMachine, kRunPath, "HklmTool"));
    EXPECT_FALSE(machine->registry().openKey(RootKey::LocalMachine, kRunDisabled));
    EXPECT_EQ(contents(user + "-Disabled\\Linked.lnk"), "older copy");

    auto& clean = run<TStartupClean>();
    const auto& result = clean.result();
    ASSERT_TRUE(result.backupStatus) << result.backupStatus.message();
    ASSERT_TRUE(result.flushStatus) << result.flushStatus.message();
    EXPECT_EQ(result.disabled, 3u);
    EXPECT_TRUE(result.leftAlone.empty());
    ASSERT_FALSE(result.backupFile.empty());

    // What Windows reads after a fresh load of the hives.
    machine = b.build();
    EXPECT_FALSE(value(RootKey::LocalMachine, kRunPath, "HklmTool"));
    EXPECT_TRUE(value(RootKey::LocalMachine, kRunPath, "Keep"));
    // The expandable value is now text with the same characters.
    EXPECT_EQ(value(RootKey::LocalMachine, kRunDisabled, "HklmTool"),
              RegValue::string("%ProgramFiles%\\Tool\\tool.exe -x"));
    EXPECT_TRUE(value(RootKey::CurrentUser, kRunPath, "HkcuTool"));  // unchecked: left
    EXPECT_FALSE(value(RootKey::CurrentUser, kRunDisabled, "HkcuTool"));
    EXPECT_EQ(value(RootKey::CurrentUser, std::string(kRunPath) + "Once-Disabled", "Gone"),
              RegValue::string(kTool));
    // The shortcut replaced the older copy in the hidden folder.
    EXPECT_FALSE(machine->fileSystem().exists(user + "\\Linked.lnk"));
    EXPECT_EQ(contents(user + "-Disabled\\Linked.lnk"), linkBytes);
    EXPECT_NE(machine->fileSystem().attributes(user + "-Disabled") & platform::fileattr::Hidden,
              0u);

    // Restoring the backup puts each value (with its type) and the file back.
    backup::BackupStore store(machine->fileSystem(), globals().BackupsDir);
    backup::BackupRestorer restorer(*machine, store);
    const auto restored = restorer.RestoreOneClick(result.backupEntry);
    ASSERT_TRUE(restored) << restored.message();
    machine = b.build();
    EXPECT_EQ(value(RootKey::LocalMachine, kRunPath, "HklmTool"),
              RegValue::string("%ProgramFiles%\\Tool\\tool.exe -x", platform::regtype::ExpandSz));
    EXPECT_EQ(contents(user + "\\Linked.lnk"), linkBytes);
    EXPECT_FALSE(value(RootKey::CurrentUser, std::string(kRunPath) + "Once", "Gone"));
}

TEST_F(StartupCleanTest, AStartupFolderLinkedOutOfTheMachineIsLeftAlone) {
    TempDir outside;
    std::filesystem::copy_file(host(user + "\\Linked.lnk"), outside.path() / "Linked.lnk");
    std::filesystem::remove_all(host(user));
    std::filesystem::remove_all(host(user + "-Disabled"));
    b.symlink(user, outside.path());

    auto& clean = run<TStartupClean>();
    EXPECT_EQ(clean.result().leftAlone, std::vector<std::string>{"Linked"});
    EXPECT_TRUE(std::filesystem::exists(outside.path() / "Linked.lnk"));
    EXPECT_EQ(clean.result().disabled, 2u);
}

TEST_F(StartupCleanTest, AHiveThatCannotBeSavedChangesNothingAndKeepsNoBackup) {
    // Another program saved the user hive after it was read: ours must not overwrite it.
    {
        auto other = b.build();
        auto key = other->registry().createKey(RootKey::CurrentUser, "\\Software\\Other");
        ASSERT_TRUE(key);
        ASSERT_TRUE(other->registry().flush());
    }
    for (auto& f : findings)
        f.Checked = f.Kind == startup::RegistryValue;
    auto& clean = run<TStartupClean>();
    EXPECT_FALSE(clean.result().backupStatus && clean.result().flushStatus);
    EXPECT_EQ(clean.result().disabled, 0u);
    machine = b.build();
    EXPECT_TRUE(value(RootKey::LocalMachine, kRunPath, "HklmTool"));
    backup::BackupStore store(machine->fileSystem(), globals().BackupsDir);
    EXPECT_TRUE(store.entries().empty());
}

}  // namespace
}  // namespace quorvel::testing
