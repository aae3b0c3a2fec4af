#include "BackupFixture.h"

namespace quorvel::backup {
namespace {

using BackupStoreArchivesTest = BackupFixture;

TEST_F(BackupStoreArchivesTest, ShortcutArchiveHoldsTheSelectedFindingsByPosition) {
    // A stale work copy of an interrupted pass goes away.
    ASSERT_TRUE(fs().writeFile(store.pathOf("quorvel.ini"), "[stale]\r\nLongName=C:\\x\r\n"));
    const std::vector<ShortcutBackupItem> items{
        {kDesktop, false, true},
        {"C:\\users\\tester\\Unticked.lnk", false, false},
        {"C:\\Empty Folder", true, true},
        {kMenu, false, true},                                   // same file name, other folder
        {"C:\\users\\tester\\Desktop\\Gone.lnk", false, true},  // vanished meanwhile
    };
    const auto result = store.WriteShortcutArchive(items, "46000.6");
    ASSERT_TRUE(result.status) << result.status.message();
    EXPECT_EQ(result.notBackedUp, (std::vector<std::size_t>{4}));
    EXPECT_FALSE(fs().exists(store.pathOf("quorvel.ini")));

    auto reader = open(store.pathOf("46000.6"));
    EXPECT_EQ(reader.entryNames(),
              (std::vector<std::string>{"0000000000.Sfi", "0000000003.Sfi", "quorvel.ini"}));
    const auto index = indexOf(reader);
    EXPECT_EQ(index.sectionNames(),
              (std::vector<std::string>{"0000000000.Sfi", "Folder2", "0000000003.Sfi"}));

    // The repair removes both shortcuts and the folder; the restore puts each back in place.
    ASSERT_TRUE(fs().deleteFile(kDesktop));
    ASSERT_TRUE(fs().deleteFile(kMenu));
    ASSERT_TRUE(restorer.RestoreArchive(store.pathOf("46000.6")));
    EXPECT_EQ(*fs().readFile(kDesktop), "desktop link");
    EXPECT_EQ(*fs().readFile(kMenu), "menu link");
    EXPECT_TRUE(fs().isDirectory("C:\\Empty Folder"));
}

TEST_F(BackupStoreArchivesTest, StartupArchiveKeepsFilesAndRegistryValuesApart) {
    std::vector<StartupBackupItem> items(4);
    items[0] = {
        StartupBackupItem::RegistryValue, "Tool", "HKEY_CURRENT_USER", kRun, "Tool", {}, true};
    items[1] = {StartupBackupItem::StartupFile, "helper", {}, {}, {}, kStartup, true};
    items[2] = {
        StartupBackupItem::RegistryValue, "Other", "HKEY_CURRENT_USER", kRun, "Other", {}, false};
    items[3] = {StartupBackupItem::Other, "Service", {}, {}, {}, {}, true};
    std::vector<std::pair<std::string, int>> progress;
    TIORegistry exporter(*machine);
    const auto result = store.WriteStartupArchive(
        exporter, items, "46000.8",
        [&](std::string_view text, int position) { progress.emplace_back(text, position); });
    ASSERT_TRUE(result.status) << result.status.message();
    EXPECT_EQ(progress, (std::vector<std::pair<std::string, int>>{{"Backuping Tool", 25},
                                                                  {"Backuping helper", 50},
                                                                  {"Backuping Other", 75},
                                                                  {"Backuping Service", 100}}));
    auto reader = open(store.pathOf("46000.8"));
    EXPECT_EQ(reader.entryNames(),
              (std::vector<std::string>{"0000000001.Sfi", "RegistryFile", "quorvel.ini"}));
    EXPECT_EQ(indexOf(reader).readString("RegistryFile", "LongName"), "RegistryFile");
    EXPECT_FALSE(fs().exists(store.pathOf("RegistryFile")));

    // Restoring brings back the selected value only, and the file.
    auto run = writableKey(RootKey::CurrentUser, kRun);
    ASSERT_TRUE(run->deleteValue("Tool"));
    ASSERT_TRUE(run->deleteValue("Other"));
    ASSERT_TRUE(fs().deleteFile(kStartup));
    ASSERT_TRUE(restorer.RestoreArchive(store.pathOf("46000.8")));
    EXPECT_EQ(run->value("Tool"), RegValue::string("C:\\tool.exe"));
    EXPECT_FALSE(run->hasValue("Other"));
    EXPECT_EQ(*fs().readFile(kStartup), "startup link");
}

}  // namespace
}  // namespace quorvel::backup
