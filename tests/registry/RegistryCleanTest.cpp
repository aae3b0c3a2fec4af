#include "registry/RegistryClean.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "backup/BackupStore.h"
#include "backup/TIORegistry.h"
#include "core/formats/IniFile.h"
#include "core/settings/SettingsKeys.h"
#include "core/threads/HeadlessUiBridge.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "registry/ScanFixture.h"
#include "support/RunningWineServer.h"

namespace quorvel::registry {
namespace {

using platform::RegValue;
using platform::RootKey;

constexpr const char* kBackups = "C:\\backups\\";
constexpr const char* kRun = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TRegData finding(RootKey root, std::string key, std::string value, RegFindingKind kind,
                 bool checked = true) {
    TRegData f;
    f.RootKey = root;
    f.KeyPath = std::move(key);
    f.ValueName = std::move(value);
    f.Kind = kind;
    f.Checked = checked;
    return f;
}

TRegData gone() {
    return finding(RootKey::LocalMachine, "\\Software\\Gone", "", DeleteKey);
}

TRegData userValue(std::string key, std::string name, bool checked = true) {
    return finding(RootKey::CurrentUser, std::move(key), std::move(name), DeleteValue, checked);
}

// What Wine's own save does: a new file renamed over the hive.
void savedByAnother(const std::filesystem::path& hive) {
    const auto copy = hive.string() + ".other";
    std::filesystem::copy_file(hive, copy);
    std::filesystem::rename(copy, hive);
}

class RegistryCleanTest : public testing::ScanFixture {
protected:
    void SetUp() override {
        builder.value("HKLM\\Software\\Gone\\Sub\\Deeper", "x", RegValue::dword(7));
        builder.value("HKLM\\Software\\Gone", "", RegValue::string("default"));
        builder.value("HKLM\\Software\\Keep", "y", RegValue::string("kept"));
        builder.value(std::string("HKCU") + kRun, "Broken", RegValue::string("C:\\nope.exe"));
        builder.value(std::string("HKCU") + kRun, "Sibling", RegValue::string("C:\\ok.exe"));
        builder.value(std::string("HKCU") + kRun, "Unchecked", RegValue::string("C:\\no.exe"));
    }

    RegistryCleanResult repair(std::initializer_list<TRegData> items, std::string entry = {},
                               bool stopFirst = false) {
        RegFindings findings;
        for (const auto& f : items)
            findings.push_back(f);
        return repair(findings, std::move(entry), stopFirst);
    }
    RegistryCleanResult repair(const RegFindings& findings, std::string entry = {},
                               bool stopFirst = false) {
        auto& ctx = built();
        ctx.globals.BackupsDir = backupsDir;
        core::HeadlessUiBridge bridge;
        core::StatusSink status(40);
        TRegistryClean clean(findings, status, ctx, bridge, std::move(entry));
        if (stopFirst) clean.requestStop();
        clean.start();
        bridge.pumpUntil([&] { return clean.finished(); });
        clean.wait();
        return clean.result();
    }

    // The names of the user's Run values with their data, "name=data" in registry order.
    std::string runValues() {
        std::string out;
        auto run = machine().registry().openKey(RootKey::CurrentUser, kRun);
        for (const auto& v : run ? (*run)->values() : std::vector<platform::NamedRegValue>{})
            out += v.name + "=" + v.value.asString().value_or("?") + " ";
        return out;
    }

    bool exists(RootKey root, std::string_view path) {
        return built().machine.registry().openKey(root, path).isOk();
    }

    core::IniFile index() {
        auto ini =
            core::IniFile::load(machine().fileSystem(), std::string(backupsDir) + "index.ini");
        return ini ? *ini : core::IniFile();
    }

    // The machine is built once, after planting; the repair and the checks share it.
    core::Context& built() {
        if (!ctx_) ctx_ = &context();
        return *ctx_;
    }
    platform::Machine& machine() { return built().machine; }

    std::string backupsDir = kBackups;
    core::Context* ctx_ = nullptr;
};

TEST_F(RegistryCleanTest, BacksUpEveryFindingThenDeletesOnlyCheckedOnes) {
    const auto result =
        repair({gone(), userValue(kRun, "Broken"), userValue(kRun, "Unchecked", false),
                finding(RootKey::CurrentUser, "", "", DeleteKey) /* never the root */,
                userValue("\\Software\\Nowhere", "v")});

    ASSERT_TRUE(result.backupStatus) << result.backupStatus.message();
    EXPECT_EQ(result.deleted, 3u);  // the value under a missing key is already gone
    EXPECT_EQ(result.skipped, 1u);  // the root
    EXPECT_TRUE(result.flushStatus);
    EXPECT_FALSE(exists(RootKey::LocalMachine, "Software\\Gone"));
    EXPECT_TRUE(exists(RootKey::LocalMachine, "Software\\Keep"));
    EXPECT_TRUE(exists(RootKey::CurrentUser, "Software"));
    EXPECT_EQ(runValues(), "Sibling=C:\\ok.exe Unchecked=C:\\no.exe ");

    // The deletions reached the hive files.
    auto reopened = platform::wineprefix::WinePrefixMachine::open(builder.prefix());
    ASSERT_TRUE(reopened);
    EXPECT_FALSE((*reopened)->registry().openKey(RootKey::LocalMachine, "Software\\Gone"));

    // The index names the entry and its export file, which puts everything back, the
    // unchecked value included.
    ASSERT_FALSE(result.backupEntry.empty());
    EXPECT_EQ(index().readString(result.backupEntry, "Type"), "29001");
    EXPECT_EQ(index().readString(result.backupEntry, "29601"), result.backupFile);
    auto writable =
        machine().registry().openKey(RootKey::CurrentUser, kRun, platform::RegAccess::ReadWrite);
    ASSERT_TRUE(writable);
    for (const char* name : {"Unchecked", "Sibling"})
        ASSERT_TRUE((*writable)->deleteValue(name));
    backup::TIORegistry importer(machine());
    ASSERT_TRUE(importer.ImportRegistry(backupsDir + result.backupFile));
    auto deeper =
        machine().registry().openKey(RootKey::LocalMachine, "Software\\Gone\\Sub\\Deeper");
    ASSERT_TRUE(deeper);
    EXPECT_EQ((*deeper)->value("x"), RegValue::dword(7));
    // Sibling was not a finding, so it is not in the backup.
    EXPECT_EQ(runValues(), "Broken=C:\\nope.exe Unchecked=C:\\no.exe ");
}

TEST_F(RegistryCleanTest, NoBackupWhenTheModuleSwitchIsOff) {
    builder.value(std::string("HKCU") + std::string(core::keys::kAvailableModules), "OneClick",
                  RegValue::dword(0));
    const auto result = repair({gone()});
    EXPECT_FALSE(result.backupWanted);
    EXPECT_EQ(result.deleted, 1u);
    EXPECT_FALSE(exists(RootKey::LocalMachine, "Software\\Gone"));
    EXPECT_FALSE(machine().fileSystem().exists(kBackups));
}

TEST_F(RegistryCleanTest, NothingIsDeletedWhenTheBackupCannotBeWritten) {
    builder.file("C:\\occupied", "a file where the backup folder should go");
    backupsDir = "C:\\occupied\\Backups\\";
    const auto result = repair({gone(), userValue(kRun, "Broken")});
    EXPECT_TRUE(result.backupWanted);
    EXPECT_FALSE(result.backupStatus);
    EXPECT_EQ(result.deleted, 0u);
    EXPECT_TRUE(exists(RootKey::LocalMachine, "Software\\Gone\\Sub"));
    EXPECT_NE(runValues().find("Broken="), std::string::npos);
}

// Started from one-click maintenance: the entry it opened is the one the backup goes into.
TEST_F(RegistryCleanTest, StopBeforeTheFirstFindingKeepsTheBackupAndDeletesNothing) {
    auto entry = backup::BackupStore(machine().fileSystem(), backupsDir, '.')
                     .startOneClickEntry(core::TimeSerial(46000.5));
    ASSERT_TRUE(entry);
    const auto result = repair({gone()}, *entry, true);
    EXPECT_EQ(result.backupEntry, *entry);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.deleted, 0u);
    EXPECT_TRUE(exists(RootKey::LocalMachine, "Software\\Gone"));
    ASSERT_TRUE(result.backupStatus);
    EXPECT_TRUE(machine().fileSystem().isFile(backupsDir + result.backupFile));
}

TEST_F(RegistryCleanTest, WhatIsAlreadyGoneCountsAsRepaired) {
    const auto result =
        repair({finding(RootKey::LocalMachine, "\\Software\\NeverThere", "", DeleteKey),
                userValue(kRun, "NoSuchValue"), userValue("\\Software\\NoKey", "v"),
                userValue(kRun, "Broken")});
    EXPECT_EQ(result.deleted, 4u);
    EXPECT_EQ(result.skipped, 0u);
    EXPECT_TRUE(result.flushStatus) << result.flushStatus.message();
}

TEST_F(RegistryCleanTest, RefusedWhileWineRunsBeforeAnythingIsWritten) {
    (void)built();
    testing::RunningWineServer server(builder.prefix());
    ASSERT_TRUE(server.running());
    const auto result = repair({gone()});
    EXPECT_FALSE(result.flushStatus);
    EXPECT_NE(result.flushStatus.message().find("Wine is running"), std::string::npos);
    EXPECT_EQ(result.deleted, 0u);
    EXPECT_TRUE(result.backupEntry.empty());
    EXPECT_FALSE(machine().fileSystem().exists(kBackups));
    EXPECT_TRUE(exists(RootKey::LocalMachine, "Software\\Gone\\Sub"));
}

// Another program saves the hives after they were read: the repair's own save is refused, so
// it forgets its deletions, says nothing was changed and takes its backup back. With part of
// the work saved before (a later batch failing), it counts only what reached the hives.
TEST_F(RegistryCleanTest, SaveThatFailsLeavesNothingClaimedAndNoBackup) {
    (void)built();
    ASSERT_TRUE(machine().registry().flush());  // what the context itself set up
    const auto system = builder.prefix() / "system.reg";
    const auto user = builder.prefix() / "user.reg";
    for (const auto& hive : {system, user})
        savedByAnother(hive);
    const auto result = repair({gone(), userValue(kRun, "Broken")});
    ASSERT_TRUE(result.backupStatus) << result.backupStatus.message();
    EXPECT_FALSE(result.flushStatus);
    EXPECT_TRUE(result.nothingChanged);
    EXPECT_TRUE(result.backupRemoved);
    EXPECT_EQ(result.deleted, 0u);
    EXPECT_EQ(result.skipped, 2u);
    EXPECT_FALSE(index().sectionExists(result.backupEntry));
    for (const auto& left : machine().fileSystem().find(std::string(kBackups) + "*"))
        EXPECT_EQ(left.name, "index.ini");  // no backup file, no digests
    // Nothing of the repair is left in memory for a later save to write.
    EXPECT_TRUE(exists(RootKey::LocalMachine, "Software\\Gone\\Sub"));
    EXPECT_TRUE(machine().registry().flush());
    auto reopened = platform::wineprefix::WinePrefixMachine::open(builder.prefix());
    ASSERT_TRUE(reopened);
    EXPECT_TRUE((*reopened)->registry().openKey(RootKey::LocalMachine, "Software\\Gone\\Sub"));

    // Batches: the first (user hive only) is saved; the machine hive was saved by another
    // program meanwhile, so the batch that needs it fails and only the first batch counts.
    for (int i = 0; i < 25; ++i)
        builder.value(std::string("HKCU") + kRun, "Gone" + std::to_string(i),
                      RegValue::string("C:\\gone.exe"));
    ctx_ = nullptr;
    (void)built();
    ASSERT_TRUE(machine().registry().flush());
    RegFindings many;
    for (int i = 0; i < 25; ++i)
        many.push_back(userValue(kRun, "Gone" + std::to_string(i)));
    many.push_back(gone());
    savedByAnother(system);
    const auto partly = repair(many);
    EXPECT_FALSE(partly.flushStatus);
    EXPECT_EQ(partly.deleted, TRegistryClean::kFlushBatch);
    EXPECT_EQ(partly.skipped, 1u);
    EXPECT_FALSE(partly.nothingChanged);
    EXPECT_FALSE(partly.backupRemoved);
    EXPECT_TRUE(index().sectionExists(partly.backupEntry));
    EXPECT_TRUE(exists(RootKey::LocalMachine, "Software\\Gone\\Sub"));
}

}  // namespace
}  // namespace quorvel::registry
