#include "backup/BackupStore.h"

#include "BackupFixture.h"

#include "core/formats/Sha256.h"

namespace quorvel::backup {
namespace {

constexpr const char* kStoreDir = "C:\\users\\tester\\Application Data\\Quorvel\\Backups\\";

class BackupStoreTest : public BackupFixture {
protected:
    BackupStoreTest() : BackupFixture(kStoreDir) {}

    void writeIndex(std::string_view text) {
        ASSERT_TRUE(fs().createDirectoryTree(kStoreDir));
        ASSERT_TRUE(fs().writeFile(store.indexPath(), text));
    }
};

TEST_F(BackupStoreTest, EntryIsListedOnlyOnceItsFileIsCompleteAndNamesNeverRepeat) {
    EXPECT_FALSE(fs().exists(kStoreDir));
    // A durable write that was killed before its rename left a temporary file.
    ASSERT_TRUE(fs().createDirectoryTree(kStoreDir));
    ASSERT_TRUE(fs().writeFile(store.pathOf(".index.ini.quorvel-a1B2c3"), "x"));
    auto id = store.startOneClickEntry(TimeSerial(46000.5));
    ASSERT_TRUE(id) << id.status().message();
    EXPECT_EQ(*id, "46000.5");
    EXPECT_FALSE(fs().exists(store.pathOf(".index.ini.quorvel-a1B2c3")));
    EXPECT_TRUE(index().sectionNames().empty());  // nothing listed before a file is complete
    // A second entry started at the same instant gets its own name.
    auto second = store.startOneClickEntry(TimeSerial(46000.5));
    ASSERT_TRUE(second);
    EXPECT_NE(*second, *id);

    auto registry = store.RecordCategoryFile(*id, categorykey::Registry, TimeSerial(46000.5));
    ASSERT_TRUE(registry);
    EXPECT_NE(*registry, *id);  // never the entry's own name
    EXPECT_TRUE(index().sectionNames().empty());
    ASSERT_TRUE(fs().writeFile(store.pathOf(*registry), "registry backup"));
    ASSERT_TRUE(store.commitCategoryFile(*id, categorykey::Registry, *registry));
    EXPECT_EQ(index().readString(*id, "Type"), "29001");
    EXPECT_EQ(index().readString(*id, "29601"), *registry);
    EXPECT_EQ(*fs().readFile(store.digestFileOf(*id)),
              core::Sha256Hex("registry backup") + "  " + *registry + "\n");

    // Same instant again (a category with nothing to do finishes within the clock's step): the
    // name moves on instead of sharing, and later overwriting, the Registry file.
    auto spyware = store.RecordCategoryFile(*id, categorykey::Spyware, TimeSerial(46000.5));
    ASSERT_TRUE(spyware);
    EXPECT_NE(*spyware, *registry);
    EXPECT_LT(TimeSerial::parse(*spyware)->days() - 46000.5, 1.0 / 86400.0);
    // A file already in the folder under that name is not reused either.
    ASSERT_TRUE(fs().writeFile(store.pathOf("46000.6"), "older"));
    auto shortcuts = store.RecordCategoryFile(*id, categorykey::Shortcuts, TimeSerial(46000.6));
    ASSERT_TRUE(shortcuts);
    EXPECT_NE(*shortcuts, "46000.6");
    EXPECT_EQ(*fs().readFile(store.pathOf("46000.6")), "older");

    // A file that cannot be read is not listed; one taken back leaves no trace.
    EXPECT_FALSE(store.commitCategoryFile(*id, categorykey::Shortcuts, *shortcuts));
    EXPECT_FALSE(index().valueExists(*id, "29602"));
    ASSERT_TRUE(store.discardCategoryFile(*id, categorykey::Registry, *registry));
    EXPECT_FALSE(index().sectionExists(*id));
    EXPECT_FALSE(fs().exists(store.pathOf(*registry)));
    EXPECT_FALSE(fs().exists(store.digestFileOf(*id)));
}

TEST_F(BackupStoreTest, CategoryFilesAreVerifiedByTheirDigest) {
    auto id = store.startOneClickEntry(TimeSerial(46000.25));
    ASSERT_TRUE(id);
    const std::string good =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";
    ASSERT_TRUE(fs().writeFile(store.pathOf("46000.3"), good));
    ASSERT_TRUE(store.commitCategoryFile(*id, categorykey::Registry, "46000.3"));
    EXPECT_TRUE(store.verifyCategoryFile(*id, "46000.3"));
    for (const std::string& bad : {good.substr(0, good.size() - 2),
                                   good + "[-HKEY_LOCAL_MACHINE\\Software]\r\n", std::string()}) {
        ASSERT_TRUE(fs().writeFile(store.pathOf("46000.3"), bad));
        const auto s = store.verifyCategoryFile(*id, "46000.3");
        EXPECT_EQ(s.code(), platform::ErrorCode::InvalidData);
        EXPECT_NE(s.message().find("SHA-256 does not match"), std::string::npos);
    }
    // A file the digests do not name fails; an entry from before digests passes.
    EXPECT_FALSE(store.verifyCategoryFile(*id, "46000.9"));
    EXPECT_TRUE(store.verifyCategoryFile("45000.5", "45000.5"));
}

TEST_F(BackupStoreTest, DamagedIndexIsReportedNotListedAsEmpty) {
    EXPECT_TRUE(store.indexStatus());  // none yet
    writeIndex("[46000.5]\r\nType=29001\r\n29601=46000.6\r\n");
    EXPECT_TRUE(store.indexStatus());
    for (const std::string& damaged :
         {std::string("[46000.5]\r\nType=29\0\x01\x02", 21),
          std::string("[46000.5]\r\ngarbage line\r\nType=29001\r\n")}) {
        writeIndex(damaged);
        const auto s = store.indexStatus();
        EXPECT_EQ(s.code(), platform::ErrorCode::InvalidData);
        EXPECT_NE(s.message().find("is damaged: line 2"), std::string::npos) << s.message();
    }
}

TEST_F(BackupStoreTest, RegistryExportFileIsWrittenEvenWhenNothingIsExported) {
    TIORegistry exporter(*machine);
    ASSERT_TRUE(exporter.ExportRegistry("HKEY_CURRENT_USER", "\\Software\\Bad CLSID"));
    ASSERT_TRUE(fs().createDirectoryTree(kStoreDir));
    // The component is cleared first; items that no longer exist add nothing.
    ASSERT_TRUE(store.WriteRegistryExport(
        exporter, {{"HKEY_LOCAL_MACHINE", "\\Software\\Gone", std::nullopt}}, "empty"));
    EXPECT_EQ(exporter.exportLineCount(), 0u);
    EXPECT_TRUE(fs().isFile(store.pathOf("empty")));
}

TEST_F(BackupStoreTest, RemovingAnEntryDeletesItsFilesAndNothingElse) {
    writeIndex(
        "[46000.5]\r\nType=29001\r\n29601=46000.6\r\n29602=46000.7\r\n29606=..\\outside\r\n"
        "[45000.5]\r\nType=11001\r\n"
        "[45000.25]\r\nType=29001\r\n29603=gone\r\n");
    ASSERT_TRUE(fs().writeFile(store.pathOf("46000.6"), "12345"));
    ASSERT_TRUE(fs().writeFile(store.pathOf("46000.7"), "123"));
    ASSERT_TRUE(fs().writeFile(store.pathOf("45000.5"), "1234567"));
    ASSERT_TRUE(fs().writeFile("C:\\users\\tester\\Application Data\\Quorvel\\outside", "keep"));

    // Sizes: the category files; a single-file entry by its own file; nothing left is 0.
    EXPECT_EQ(store.entrySize("46000.5"), 8u);
    EXPECT_EQ(store.entrySize("45000.5"), 7u);
    EXPECT_EQ(store.entrySize("45000.25"), 0u);

    ASSERT_TRUE(store.removeEntry("46000.5"));
    EXPECT_FALSE(fs().exists(store.pathOf("46000.6")));
    EXPECT_FALSE(fs().exists(store.pathOf("46000.7")));
    // A value naming a file outside the folder is not followed.
    EXPECT_TRUE(fs().exists("C:\\users\\tester\\Application Data\\Quorvel\\outside"));

    // A tool's single-file entry loses its file too, not only its section.
    ASSERT_TRUE(store.removeEntry("45000.5"));
    EXPECT_FALSE(fs().exists(store.pathOf("45000.5")));
    ASSERT_TRUE(store.removeEntry("45000.25"));  // its file is already gone
    EXPECT_TRUE(store.entries().empty());
}

}  // namespace
}  // namespace quorvel::backup
