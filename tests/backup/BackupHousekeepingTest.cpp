#include "backup/BackupHousekeeping.h"

#include <cstdio>

#include "BackupFixture.h"

namespace quorvel::backup {
namespace {

constexpr const char* kAppData = "C:\\users\\tester\\AppData\\Roaming\\";
constexpr const char* kStoreDir =
    "C:\\users\\tester\\AppData\\Roaming\\QuorvelSoft\\Quorvel Utilities\\Backups\\";
constexpr const char* kTolvane =
    "C:\\users\\tester\\AppData\\Roaming\\QuorvelSoft\\Tolvane\\Backups\\";
constexpr const char* kDunmor =
    "C:\\users\\tester\\AppData\\Roaming\\QuorvelSoft\\Dunmor\\Backups\\";
constexpr double kNow = 46000.5;

class BackupHousekeepingTest : public BackupFixture {
protected:
    BackupHousekeepingTest() : BackupFixture(kStoreDir) {
        EXPECT_TRUE(fs().createDirectoryTree(kStoreDir));
    }

    // A one-click entry made `age` days before kNow, with one Registry file.
    std::string addEntry(double age, std::string_view type = "29001") {
        const std::string section = TimeSerial(kNow - age).toText('.');
        const std::string file = TimeSerial(kNow - age + 1e-6).toText('.');
        core::IniFile ini = index();
        ini.writeString(section, "Type", type);
        ini.writeString(section, "29601", file);
        EXPECT_TRUE(ini.save(fs(), store.indexPath()));
        EXPECT_TRUE(fs().writeFile(store.pathOf(file), "export"));
        return section;
    }

    std::size_t filesInStore() {
        std::size_t n = 0;
        for (const auto& f : fs().find(std::string(kStoreDir) + "*.*"))
            if (f.name != "index.ini") ++n;
        return n;
    }
};

TEST_F(BackupHousekeepingTest, AgeLimitRemovesOlderEntriesWithTheirFiles) {
    addEntry(7.5);
    const auto young = addEntry(6.9);
    core::IniFile ini = index();
    ini.writeString("not a time", "Type", "11001");  // no date: older than any limit
    ini.writeString("45990,5", "Type", "11001");     // made under a comma locale, 10 days old
    ASSERT_TRUE(ini.save(fs(), store.indexPath()));
    ASSERT_TRUE(fs().writeFile(store.pathOf("not a time"), "x"));

    EXPECT_EQ(PruneBackups(store, 0, 60, TimeSerial(kNow)), 3);
    EXPECT_EQ(index().sectionNames(), (std::vector<std::string>{young}));
    EXPECT_EQ(filesInStore(), 1u);  // the young entry's export only

    // "Never" keeps everything, undated sections included.
    addEntry(5000);
    EXPECT_EQ(PruneBackups(store, 6, 60, TimeSerial(kNow)), 0);
    EXPECT_EQ(PruneBackups(store, 42, 60, TimeSerial(kNow)), 0);
    EXPECT_EQ(BackupAgeDays(1), 14);
    EXPECT_EQ(BackupAgeDays(5), 90);
    EXPECT_EQ(BackupAgeDays(-1), 99999999);
}

TEST_F(BackupHousekeepingTest, CountLimitKeepsOneFewerThanTheMaximumAndDeletesTheirFiles) {
    std::vector<std::string> sections;
    for (int i = 0; i < 59; ++i)
        sections.push_back(addEntry(i * 0.01));
    EXPECT_EQ(PruneBackups(store, 6, 60, TimeSerial(kNow)), 0);
    EXPECT_EQ(index().sectionNames().size(), 59u);

    const auto oldest = addEntry(3.0);
    EXPECT_EQ(PruneBackups(store, 6, 60, TimeSerial(kNow)), 1);
    const auto left = index().sectionNames();
    EXPECT_EQ(left.size(), 59u);
    EXPECT_EQ(std::find(left.begin(), left.end(), oldest), left.end());
    EXPECT_EQ(filesInStore(), 59u);  // the removed entry's category file went with it

    // An unreadable setting (0) never empties the store.
    EXPECT_EQ(PruneBackups(store, 6, 0, TimeSerial(kNow)), 0);
    EXPECT_EQ(index().sectionNames().size(), 59u);
}

TEST_F(BackupHousekeepingTest, StopRequestEndsBetweenEntries) {
    addEntry(30);
    addEntry(31);
    int asked = 0;
    EXPECT_EQ(PruneBackups(store, 0, 60, TimeSerial(kNow), [&] { return ++asked > 1; }), 1);
    EXPECT_EQ(index().sectionNames().size(), 1u);
}

TEST_F(BackupHousekeepingTest, SiblingBackupsAreMovedInOnce) {
    ASSERT_TRUE(fs().createDirectoryTree(kTolvane));
    ASSERT_TRUE(fs().createDirectoryTree(kDunmor));
    ASSERT_TRUE(fs().writeFile(std::string(kTolvane) + "index.ini",
                               "[45999.25]\r\n[..\\..\\escape]\r\n[45999.5]\r\n"));
    ASSERT_TRUE(fs().writeFile(std::string(kTolvane) + "45999.25", "reg export"));
    ASSERT_TRUE(fs().writeFile(std::string(kDunmor) + "index.ini", "[45999.75]\r\n"));
    ASSERT_TRUE(fs().writeFile(std::string(kDunmor) + "45999.75", "[Folders]\r\n1=C:\\A\r\n"));
    // A section the store already uses for an entry of its own keeps its type.
    const auto own = addEntry(0.6);
    ASSERT_TRUE(fs().writeFile(std::string(kTolvane) + "index.ini",
                               "[45999.25]\r\n[..\\..\\escape]\r\n[45999.5]\r\n[" + own + "]\r\n"));

    EXPECT_EQ(ImportSiblingBackups(fs(), kAppData, store), 3);
    const auto ini = index();
    EXPECT_EQ(ini.readString("45999.25", "Type"), "11001");
    EXPECT_EQ(ini.readString("45999.5", "Type"), "11001");  // listed; its file never existed
    EXPECT_EQ(ini.readString("45999.75", "Type"), "16001");
    EXPECT_EQ(ini.readString(own, "Type"), "29001");
    EXPECT_FALSE(ini.sectionExists("..\\..\\escape"));
    EXPECT_EQ(*fs().readFile(store.pathOf("45999.25")), "reg export");
    EXPECT_EQ(*fs().readFile(store.pathOf("45999.75")), "[Folders]\r\n1=C:\\A\r\n");
    EXPECT_FALSE(fs().exists(std::string(kTolvane) + "index.ini"));
    EXPECT_FALSE(fs().exists(std::string(kDunmor) + "index.ini"));

    // The next start finds no sibling index and moves nothing.
    ASSERT_TRUE(fs().writeFile(std::string(kTolvane) + "46000.1", "later"));
    EXPECT_EQ(ImportSiblingBackups(fs(), kAppData, store), 0);
    EXPECT_FALSE(index().sectionExists("46000.1"));
}

}  // namespace
}  // namespace quorvel::backup
