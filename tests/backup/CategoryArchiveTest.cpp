#include "backup/CategoryArchive.h"

#include <gtest/gtest.h>

#include "backup/BackupArchiveReader.h"
#include "core/formats/IniFile.h"
#include "support/MachineBuilder.h"

namespace quorvel::backup {
namespace {

using platform::RegValue;

class CategoryArchiveTest : public ::testing::Test {
protected:
    static std::unique_ptr<platform::Machine> build(testing::MachineBuilder& b) {
        b.file("C:\\users\\tester\\Desktop\\App.lnk", "desktop link");
        b.file("C:\\users\\tester\\Start Menu\\App.lnk", "start menu link");
        b.value("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Tool",
                RegValue::string("C:\\tool.exe"));
        b.folder("C:\\backups");
        return b.build();
    }

    BackupArchiveReader open(std::string_view path) {
        auto reader = BackupArchiveReader::load(machine->fileSystem(), path);
        EXPECT_TRUE(reader) << reader.status().message();
        return std::move(reader).value();
    }

    testing::MachineBuilder builder;
    std::unique_ptr<platform::Machine> machine = build(builder);
};

TEST_F(CategoryArchiveTest, SameFileNamesFromTwoFoldersBecomeTwoNumberedEntries) {
    CategoryArchive archive(machine->fileSystem());
    ASSERT_TRUE(archive.addFile(3, "C:\\users\\tester\\Desktop\\App.lnk"));
    archive.addFolder(5, "C:\\Empty Folder");
    ASSERT_TRUE(archive.addFile(7, "C:\\users\\tester\\Start Menu\\App.lnk"));
    // A file that vanished is reported and leaves no trace in the archive or its index.
    EXPECT_FALSE(archive.addFile(8, "C:\\users\\tester\\Desktop\\Gone.lnk"));
    ASSERT_TRUE(archive.save(machine->fileSystem(), "C:\\backups\\46000.5"));

    auto reader = open("C:\\backups\\46000.5");
    EXPECT_EQ(reader.entryNames(),
              (std::vector<std::string>{"0000000003.Sfi", "0000000007.Sfi", "quorvel.ini"}));
    EXPECT_EQ(*reader.read("0000000003.Sfi"), "desktop link");
    EXPECT_EQ(*reader.read("0000000007.Sfi"), "start menu link");
    const auto index = core::IniFile::parse(*reader.read("quorvel.ini"));
    EXPECT_EQ(index.sectionNames(),
              (std::vector<std::string>{"0000000003.Sfi", "Folder5", "0000000007.Sfi"}));
    EXPECT_EQ(index.readString("0000000007.Sfi", "LongName"),
              "C:\\users\\tester\\Start Menu\\App.lnk");
    // The index was never a file in the backup folder.
    EXPECT_FALSE(machine->fileSystem().exists("C:\\backups\\quorvel.ini"));
}

TEST_F(CategoryArchiveTest, RegistryPartOnlyWhenSomethingWasExported) {
    TIORegistry exporter(*machine);
    CategoryArchive filesOnly(machine->fileSystem());
    ASSERT_TRUE(filesOnly.addFile(0, "C:\\users\\tester\\Desktop\\App.lnk"));
    ASSERT_TRUE(filesOnly.addRegistryExport(exporter));  // nothing exported
    ASSERT_TRUE(filesOnly.save(machine->fileSystem(), "C:\\backups\\a"));
    auto a = open("C:\\backups\\a");
    EXPECT_FALSE(a.contains("RegistryFile"));
    EXPECT_FALSE(core::IniFile::parse(*a.read("quorvel.ini")).sectionExists("RegistryFile"));

    ASSERT_TRUE(exporter.ExportRegistry(
        "HKEY_CURRENT_USER", "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Tool"));
    CategoryArchive withRegistry(machine->fileSystem());
    ASSERT_TRUE(withRegistry.addRegistryExport(exporter));
    ASSERT_TRUE(withRegistry.save(machine->fileSystem(), "C:\\backups\\b"));
    auto b = open("C:\\backups\\b");
    EXPECT_EQ(b.entryNames(), (std::vector<std::string>{"RegistryFile", "quorvel.ini"}));
    EXPECT_EQ(*b.read("RegistryFile"), exporter.fileBytes());
    EXPECT_EQ(core::IniFile::parse(*b.read("quorvel.ini")).readString("RegistryFile", "LongName"),
              "RegistryFile");

    // Nothing selected: the archive holds only an empty index.
    ASSERT_TRUE(
        CategoryArchive(machine->fileSystem()).save(machine->fileSystem(), "C:\\backups\\c"));
    auto c = open("C:\\backups\\c");
    EXPECT_EQ(c.entryNames(), (std::vector<std::string>{"quorvel.ini"}));
    EXPECT_TRUE(core::IniFile::parse(*c.read("quorvel.ini")).sectionNames().empty());
}

TEST_F(CategoryArchiveTest, ExtractionStaysInsideItsFolder) {
    BackupArchiveWriter writer;
    ASSERT_TRUE(writer.add("0000000001.Sfi", "new contents"));
    ASSERT_TRUE(writer.save(machine->fileSystem(), "C:\\backups\\x"));
    auto reader = open("C:\\backups\\x");
    auto& fs = machine->fileSystem();
    ASSERT_TRUE(fs.createDirectory("C:\\out"));
    ASSERT_TRUE(fs.writeFile("C:\\out\\0000000001.Sfi", "old"));
    ASSERT_TRUE(reader.extract(fs, "0000000001.Sfi", "C:\\out"));
    EXPECT_EQ(*fs.readFile("C:\\out\\0000000001.Sfi"), "new contents");  // replaced

    for (const char* bad : {"..\\escaped.txt", "../escaped.txt", "C:\\escaped.txt", "sub\\x"}) {
        const auto s = reader.extract(fs, bad, "C:\\out");
        EXPECT_EQ(s.code(), platform::ErrorCode::AccessDenied) << bad;
    }
    EXPECT_FALSE(fs.exists("C:\\escaped.txt"));
    EXPECT_FALSE(fs.exists("C:\\out\\sub"));
}

}  // namespace
}  // namespace quorvel::backup
