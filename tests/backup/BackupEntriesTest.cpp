#include "backup/BackupEntries.h"

#include "BackupFixture.h"

#include "backup/TPrepare.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/formats/IniFile.h"
#include "core/language/LanguageTable.h"
#include "core/paths/PathUtils.h"
#include "core/threads/HeadlessUiBridge.h"

namespace quorvel::backup {
namespace {

// The fixture's machine with its globals set up as at start.
class BackupEntriesTest : public BackupFixture {
protected:
    void SetUp() override { core::InitGlobals(*machine, programDir(), globals, language); }
    core::TGlobalVars globals;
    core::LanguageTable language;
};

TEST_F(BackupEntriesTest, ListShowsCaptionDateSizeAndIdNewestFirst) {
    ASSERT_TRUE(fs().writeFile(store.indexPath(),
                               "[45000.5]\r\nType=11001\r\n"
                               "[45000,75]\r\nType=29001\r\n29601=45000,76\r\n29602=45000,77\r\n"
                               "[9999.25]\r\nType=16001\r\n"  // 1927: text order misplaces it
                               "[broken]\r\nType=4242\r\n"));
    ASSERT_TRUE(fs().writeFile(store.pathOf("45000.5"), std::string(2048, 'r')));
    ASSERT_TRUE(fs().writeFile(store.pathOf("45000,76"), "12345"));
    ASSERT_TRUE(fs().writeFile(store.pathOf("45000,77"), "123"));

    const auto rows = ListBackups(store, language);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].section, "45000,75");  // written under a comma locale, read back as one
    EXPECT_EQ(rows[0].type, "29001");
    EXPECT_EQ(rows[0].caption, language.LangText(29001));
    EXPECT_FALSE(rows[0].caption.empty());
    EXPECT_EQ(rows[0].size, 8u);
    EXPECT_EQ(rows[0].dateText, "03/15/23 18:00:00");  // as the C locale writes it
    EXPECT_EQ(rows[1].section, "45000.5");
    EXPECT_EQ(rows[1].size, 2048u);
    EXPECT_EQ(rows[1].sizeText, core::FormatSize(2048));
    EXPECT_EQ(rows[2].section, "9999.25");
    EXPECT_EQ(rows[3].section, "broken");  // no date, still listed last
    EXPECT_EQ(rows[3].dateText, "");
    EXPECT_EQ(rows[3].caption, "4242");  // no text for the type: the number
}

TEST_F(BackupEntriesTest, RestoreAndDeleteByIdUnderEitherSeparator) {
    TIORegistry exporter(*machine);
    ASSERT_TRUE(exporter.ExportRegistry("HKEY_CURRENT_USER", "\\Software\\Bad CLSID"));
    ASSERT_TRUE(exporter.save(store.pathOf("45000,6")));
    ASSERT_TRUE(fs().writeFile(store.indexPath(), "[45000,5]\r\nType=29001\r\n29601=45000,6\r\n"));
    ASSERT_TRUE(writableKey(RootKey::CurrentUser, "")->deleteTree("Software\\Bad CLSID"));

    EXPECT_EQ(RestoreBackup(*machine, store, "45000.9").code(), platform::ErrorCode::FileNotFound);
    ASSERT_TRUE(RestoreBackup(*machine, store, "45000.5"));  // typed under a point locale
    EXPECT_TRUE(machine->registry().openKey(RootKey::CurrentUser, "Software\\Bad CLSID"));
    EXPECT_EQ(ListBackups(store, language).size(), 1u);  // a restored entry stays

    EXPECT_FALSE(DeleteBackup(store, "45000.9"));
    ASSERT_TRUE(DeleteBackup(store, "45000,5"));
    EXPECT_TRUE(ListBackups(store, language).empty());
    EXPECT_FALSE(fs().exists(store.pathOf("45000,6")));
    // Restoring what is gone is a failure, not a silent success.
    EXPECT_FALSE(RestoreBackup(*machine, store, "45000,5"));
}

TEST_F(BackupEntriesTest, HousekeepingThreadImportsThenPrunes) {
    const std::string sibling = globals.AppData + "QuorvelSoft\\Tolvane\\Backups\\";
    ASSERT_TRUE(fs().createDirectoryTree(sibling));
    const std::string fresh = TimeSerial(TimeSerial::now().days() - 1).toText('.');
    ASSERT_TRUE(fs().writeFile(sibling + "index.ini", "[40000.5]\r\n[" + fresh + "]\r\n"));
    ASSERT_TRUE(fs().writeFile(sibling + "40000.5", "old"));
    ASSERT_TRUE(fs().writeFile(sibling + fresh, "new"));
    globals.BackupsDir = kDir;
    globals.BackupsDelete = 0;
    globals.BackupsMax = 60;

    core::ProtectedFolders protectedFolders;
    const core::Context context{*machine, globals, language, protectedFolders};
    core::HeadlessUiBridge bridge;
    TPrepare prepare(context, bridge);
    prepare.start();
    bridge.pumpUntil([&] { return prepare.finished(); });
    prepare.wait();
    EXPECT_EQ(prepare.imported(), 2);
    EXPECT_EQ(prepare.removed(), 1);
    const auto rows = ListBackups(store, language);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].section, fresh);
    EXPECT_EQ(rows[0].type, "11001");
    EXPECT_EQ(rows[0].size, 3u);
    EXPECT_FALSE(fs().exists(store.pathOf("40000.5")));
}

}  // namespace
}  // namespace quorvel::backup
