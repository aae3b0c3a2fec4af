#include "BackupFixture.h"

namespace quorvel::backup {
namespace {

using BackupRestorerTest = BackupFixture;

TEST_F(BackupRestorerTest, OneClickEntryPutsBackWhatTheRepairsRemoved) {
    // Back up as the repair threads do.
    auto id = store.startOneClickEntry(TimeSerial(46000.5));
    ASSERT_TRUE(id);
    TIORegistry exporter(*machine);
    auto regName = store.RecordCategoryFile(*id, categorykey::Registry, TimeSerial(46000.51));
    ASSERT_TRUE(store.WriteRegistryExport(
        exporter, {{"HKEY_CURRENT_USER", "\\Software\\Bad CLSID", std::nullopt}}, *regName));
    ASSERT_TRUE(store.commitCategoryFile(*id, categorykey::Registry, *regName));

    auto shortcutsName =
        store.RecordCategoryFile(*id, categorykey::Shortcuts, TimeSerial(46000.52));
    CategoryArchive shortcuts(fs());
    ASSERT_TRUE(shortcuts.addFile(0, kDesktop));
    shortcuts.addFolder(1, kMenuFolder);
    ASSERT_TRUE(shortcuts.addFile(2, kMenu));
    ASSERT_TRUE(shortcuts.save(fs(), store.pathOf(*shortcutsName)));
    ASSERT_TRUE(store.commitCategoryFile(*id, categorykey::Shortcuts, *shortcutsName));

    auto startupName = store.RecordCategoryFile(*id, categorykey::Startup, TimeSerial(46000.53));
    exporter.clear();
    exporter.ExportRegistry("HKEY_CURRENT_USER", kRun, "Tool");
    CategoryArchive startup(fs());
    ASSERT_TRUE(startup.addFile(1, kStartup));
    ASSERT_TRUE(startup.addRegistryExport(exporter));
    ASSERT_TRUE(startup.save(fs(), store.pathOf(*startupName)));
    ASSERT_TRUE(store.commitCategoryFile(*id, categorykey::Startup, *startupName));

    // The repairs.
    auto hkcu = writableKey(RootKey::CurrentUser, "");
    ASSERT_TRUE(hkcu->deleteTree("Software\\Bad CLSID"));
    auto run = writableKey(RootKey::CurrentUser, kRun);
    ASSERT_TRUE(run->deleteValue("Tool"));
    for (const char* f : {kDesktop, kMenu, kStartup})
        ASSERT_TRUE(fs().deleteFile(f));
    ASSERT_TRUE(fs().removeDirectory(kMenuFolder));

    const auto entries = store.entries();
    ASSERT_EQ(entries.size(), 1u);
    const auto s = restorer.restoreEntry(entries[0]);
    ASSERT_TRUE(s) << s.message();

    EXPECT_EQ(*fs().readFile(kDesktop), "desktop link");
    EXPECT_EQ(*fs().readFile(kMenu), "menu link");
    EXPECT_EQ(*fs().readFile(kStartup), "startup link");
    EXPECT_TRUE(machine->registry().openKey(RootKey::CurrentUser, "Software\\Bad CLSID\\Sub"));
    EXPECT_EQ(run->value("Tool"), RegValue::string("C:\\tool.exe"));
    // No work files anywhere: not beside the restored files, not in the backup folder.
    EXPECT_EQ(namesIn("C:\\users\\tester\\Desktop"), (std::vector<std::string>{"App.lnk"}));
    EXPECT_EQ(namesIn(kMenuFolder), (std::vector<std::string>{"App.lnk"}));
    EXPECT_EQ(namesIn("C:\\backups").size(), 5u);  // index, three category files, digests
}

TEST_F(BackupRestorerTest, OccupiedPathKeepsTheExistingFileAndLeavesNoCopy) {
    CategoryArchive archive(fs());
    ASSERT_TRUE(archive.addFile(4, kDesktop));
    ASSERT_TRUE(archive.addRegistryExport(TIORegistry(*machine)));  // nothing exported: no part
    ASSERT_TRUE(archive.save(fs(), "C:\\backups\\a"));
    EXPECT_EQ(open("C:\\backups\\a").entryNames(),
              (std::vector<std::string>{"0000000004.Sfi", "quorvel.ini"}));
    ASSERT_TRUE(fs().writeFile(kDesktop, "newer link"));

    ASSERT_TRUE(restorer.RestoreArchive("C:\\backups\\a"));
    EXPECT_EQ(*fs().readFile(kDesktop), "newer link");
    EXPECT_EQ(namesIn("C:\\users\\tester\\Desktop"), (std::vector<std::string>{"App.lnk"}));
}

TEST_F(BackupRestorerTest, HostileOrDamagedBackupsAreRefusedWithoutEscaping) {
    // An index whose section would name an entry outside the flat archive layout.
    writeArchive("C:\\backups\\h",
                 "[..\\..\\evil.Sfi]\r\nLongName=C:\\evil.txt\r\n"
                 "[C:evil2.Sfi]\r\nLongName=C:\\evil2.txt\r\n"
                 "[sub/evil3.Sfi]\r\nLongName=C:\\evil3.txt\r\n"
                 "[..]\r\nLongName=C:\\evil4.txt\r\n"
                 "[0000000001.Sfi]\r\nLongName=C:\\fine.txt\r\n",
                 {{"0000000001.Sfi", "fine"}});
    EXPECT_FALSE(restorer.RestoreArchive("C:\\backups\\h"));
    for (const char* path : {"C:\\evil.txt", "C:\\evil2.txt", "C:\\evil3.txt", "C:\\evil4.txt"})
        EXPECT_FALSE(fs().exists(path)) << path;
    EXPECT_EQ(*fs().readFile("C:\\fine.txt"), "fine");  // the rest is still restored

    // Not an archive at all, and an archive without its index.
    ASSERT_TRUE(fs().writeFile("C:\\backups\\junk", "not a zip file at all, really not"));
    EXPECT_FALSE(restorer.RestoreArchive("C:\\backups\\junk"));
    BackupArchiveWriter noIndex;
    ASSERT_TRUE(noIndex.add("0000000001.Sfi", "x"));
    ASSERT_TRUE(noIndex.save(fs(), "C:\\backups\\noindex"));
    EXPECT_FALSE(restorer.RestoreArchive("C:\\backups\\noindex"));

    // An index value that leaves the backup folder is not followed.
    ASSERT_TRUE(
        fs().writeFile("C:\\backups\\index.ini", "[46000.5]\r\nType=29001\r\n29602=..\\h\r\n"));
    EXPECT_FALSE(restorer.RestoreOneClick("46000.5"));
}

TEST_F(BackupRestorerTest, MissingBackupsAreReportedAsFailuresAndTypesDispatched) {
    // A category file that was never written: the rest is restored, the outcome is a failure.
    TIORegistry exporter(*machine);
    exporter.ExportRegistry("HKEY_CURRENT_USER", "\\Software\\Bad CLSID");
    ASSERT_TRUE(exporter.save("C:\\backups\\46000.6"));
    auto hkcu = writableKey(RootKey::CurrentUser, "");
    ASSERT_TRUE(hkcu->deleteTree("Software\\Bad CLSID"));
    ASSERT_TRUE(fs().writeFile("C:\\backups\\index.ini",
                               "[46000.5]\r\nType=29001\r\n29601=46000.6\r\n29602=46000.7\r\n"
                               "[46000.9]\r\nType=29001\r\n29602=\r\n"));
    const auto partly = restorer.RestoreOneClick("46000.5");
    EXPECT_EQ(partly.code(), platform::ErrorCode::FileNotFound);
    EXPECT_NE(partly.message().find("46000.7"), std::string::npos) << partly.message();
    EXPECT_TRUE(machine->registry().openKey(RootKey::CurrentUser, "Software\\Bad CLSID\\Sub"));

    // Nothing to restore, an unknown section and missing single files are failures too.
    EXPECT_FALSE(restorer.RestoreOneClick("46000.9"));
    EXPECT_FALSE(restorer.RestoreOneClick("47000.1"));
    EXPECT_FALSE(restorer.RestoreArchive("C:\\backups\\missing"));
    EXPECT_FALSE(restorer.RestoreRegistryFile("C:\\backups\\missing"));
    EXPECT_FALSE(restorer.RestoreFolderList("C:\\backups\\missing"));
    EXPECT_FALSE(
        restorer.restoreEntry({"45000.1", TimeSerial(45000.1), entrytype::ToolArchive, {}}));

    // 16001: a folder list named like the section.
    ASSERT_TRUE(fs().writeFile("C:\\backups\\45000.25",
                               "[Folders]\r\n1=C:\\Restored\\A\r\nx=C:\\Restored\\B\r\n"));
    ASSERT_TRUE(
        restorer.restoreEntry({"45000.25", TimeSerial(45000.25), entrytype::FolderList, {}}));
    EXPECT_TRUE(fs().isDirectory("C:\\Restored\\A"));
    EXPECT_TRUE(fs().isDirectory("C:\\Restored\\B"));

    // 11001: a registry export file named like the section.
    ASSERT_TRUE(exporter.save("C:\\backups\\45000.5"));
    ASSERT_TRUE(hkcu->deleteTree("Software\\Bad CLSID"));
    ASSERT_TRUE(
        restorer.restoreEntry({"45000.5", TimeSerial(45000.5), entrytype::SiblingRegistry, {}}));
    EXPECT_TRUE(machine->registry().openKey(RootKey::CurrentUser, "Software\\Bad CLSID\\Sub"));

    // Unknown type: listed, but restoring it is refused rather than reported as done.
    EXPECT_FALSE(restorer.restoreEntry({"45000.75", TimeSerial(45000.75), 4242, {}}));
}

TEST_F(BackupRestorerTest, ExtractionStaysInsideItsFolder) {
    writeArchive("C:\\backups\\x", "", {{"0000000001.Sfi", "new contents"}});
    auto reader = open("C:\\backups\\x");
    ASSERT_TRUE(fs().createDirectory("C:\\out"));
    ASSERT_TRUE(fs().writeFile("C:\\out\\0000000001.Sfi", "old"));
    ASSERT_TRUE(reader.extract(fs(), "0000000001.Sfi", "C:\\out"));
    EXPECT_EQ(*fs().readFile("C:\\out\\0000000001.Sfi"), "new contents");  // replaced

    for (const char* bad : {"..\\escaped.txt", "../escaped.txt", "C:\\escaped.txt", "sub\\x"})
        EXPECT_EQ(reader.extract(fs(), bad, "C:\\out").code(), platform::ErrorCode::AccessDenied)
            << bad;
    EXPECT_FALSE(fs().exists("C:\\escaped.txt"));
    EXPECT_FALSE(fs().exists("C:\\out\\sub"));
}

// The Shortcuts and Startup archives the store writes from findings lists.
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
