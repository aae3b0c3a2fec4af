#include "core/formats/IniFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/formats/ProfileFile.h"
#include "support/MachineBuilder.h"
#include "support/TempDir.h"

namespace quorvel::core {
namespace {

using testing::TempDir;

std::string readHost(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(IniFileRead, StringsIntegersAndBooleansAsTheProfileFunctionsReadThem) {
    const IniFile ini = IniFile::parse(
        "; comment=not a key\r\n[Portable]\r\nType=1\r\ntype=2\r\nDataPath = D:\\Data \r\n"
        "  a = \"  spaced  \" \r\nb='x'\nc=\"\nd=\"x'\n;e=1\nf=\n"
        "[PORTABLE]\r\nOther=x\r\n"
        "[n]\nneg=-17\nplus=+8\ntail=12abc\nword=abc\nempty=\nquoted=\"5\"\nbig=4294967297\n"
        "zero=0\ntwo=2\n");
    const std::tuple<const char*, const char*, const char*> strings[] = {
        {"  portable ", " TYPE ", "1"},  // any case and blanks; the first match wins
        {"Portable", "DataPath", "D:\\Data"},
        {"Portable", "a", "  spaced  "},
        {"Portable", "b", "x"},
        {"Portable", "c", "\""},
        {"Portable", "d", "\"x'"},
        {"Portable", "f", ""},
        {"Portable", "e", "dflt"},      // a commented-out line is no key
        {"Portable", "Other", "dflt"},  // a later section of the same name is not seen
        {"Missing", "Type", "dflt"},
    };
    for (const auto& [section, key, value] : strings)
        EXPECT_EQ(ini.readString(section, key, "dflt"), value) << section << "/" << key;

    const std::pair<const char*, int> integers[] = {
        {"neg", -17}, {"plus", 8},    {"tail", 12},  {"word", 0},
        {"empty", 9}, {"missing", 9}, {"quoted", 5}, {"big", 1} /* wraps at 32 bits */};
    for (const auto& [key, value] : integers)
        EXPECT_EQ(ini.readInteger("n", key, 9), value) << key;
    EXPECT_FALSE(ini.readBool("n", "zero", true));
    EXPECT_TRUE(ini.readBool("n", "two", false));
    EXPECT_FALSE(ini.readBool("n", "word", true));
    EXPECT_TRUE(ini.readBool("n", "missing", true));
}

TEST(IniFileRead, SectionNamesAndValuesInFileOrder) {
    const IniFile ini = IniFile::parse(
        "top=ignored\n[46000.5]\nType=29001\n29601=46000.51\n\n; note\n[]\nx=1\n"
        "[Folders]\nb=C:\\B\na=\"C:\\A\"\nnovalue\n[46000.4]\nType=11001\n");
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"46000.5", "Folders", "46000.4"}));
    const auto values = ini.sectionValues("folders");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (IniFile::KeyValue{"b", "C:\\B"}));
    EXPECT_EQ(values[1], (IniFile::KeyValue{"a", "C:\\A"}));
    EXPECT_EQ(ini.keyNames("46000.5"), (std::vector<std::string>{"Type", "29601"}));
    EXPECT_TRUE(ini.sectionValues("none").empty());
}

TEST(IniFileWrite, UpdatesInPlaceAndKeepsEveryOtherLineByteForByte) {
    const std::string text =
        "; backups\r\n[A]\r\n  Key = old ; not a comment\r\nkeep=1\r\n\r\n[B]\r\nx=y\r\n";
    IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.serialize(), text);  // unchanged text survives exactly
    ini.writeString("a", "KEY", "new");
    EXPECT_EQ(ini.serialize(), "; backups\r\n[A]\r\nKey=new\r\nkeep=1\r\n\r\n[B]\r\nx=y\r\n");
    EXPECT_EQ(ini.readString("A", "key"), "new");
}

TEST(IniFileWrite, MissingKeyGoesToTheEndOfItsSectionAndMissingSectionToTheEnd) {
    IniFile ini = IniFile::parse("[A]\nk=1\n\n[B]\nx=y");
    ini.writeString("A", "added", "2");
    ini.writeInteger("C", "n", -5);
    ini.writeBool("B", "flag", true);
    EXPECT_EQ(ini.serialize(), "[A]\nk=1\nadded=2\n\n[B]\nx=y\nflag=1\n[C]\nn=-5\n");
    EXPECT_FALSE(ini.usesCrLf());

    // New files use CR LF, and a value cannot inject lines.
    IniFile fresh;
    fresh.writeString("Folder3", "LongName", "C:\\odd\r\n[Injected]\nname");
    EXPECT_EQ(fresh.sectionNames(), std::vector<std::string>{"Folder3"});
    EXPECT_EQ(fresh.serialize(), "[Folder3]\r\nLongName=C:\\odd  [Injected] name\r\n");
}

TEST(IniFileWrite, EraseSectionAndKey) {
    IniFile ini = IniFile::parse("[A]\nk=1\nk=2\nj=3\n[B]\nx=1\n[a]\nk=9\n[C]\n");
    EXPECT_TRUE(ini.eraseKey("A", "K"));
    EXPECT_FALSE(ini.valueExists("A", "k"));
    EXPECT_EQ(ini.readString("A", "j"), "3");
    EXPECT_FALSE(ini.eraseKey("A", "k"));
    EXPECT_FALSE(ini.eraseKey("Z", "k"));

    EXPECT_TRUE(ini.eraseSection("a"));  // both sections named A go
    EXPECT_EQ(ini.serialize(), "[B]\nx=1\n[C]\n");
    EXPECT_FALSE(ini.eraseSection("A"));
}

TEST(IniFileDamaged, JunkNeverFailsAndKeepsWhatItCan) {
    std::string junk = "[ok]\nv=1\n";
    for (int i = 0; i < 256; ++i)
        junk.push_back(static_cast<char>(i));
    junk += "\n[\n[half\n=novalue\n]]\n[tail]\rcr=only\rlast=1";
    IniFile ini = IniFile::parse(junk);
    EXPECT_EQ(ini.serialize(), junk);
    EXPECT_EQ(ini.readString("ok", "v"), "1");
    EXPECT_EQ(ini.readString("tail", "cr"), "only");
    EXPECT_EQ(ini.readString("tail", "last"), "1");  // no newline at the end

    ini.writeString("tail", "new", "2");  // the unterminated last line gets a line end first
    EXPECT_EQ(ini.readString("tail", "last"), "1");
    EXPECT_EQ(ini.readString("tail", "new"), "2");

    // A byte order mark is kept but is not part of the first section's name.
    const std::string bom = "\xEF\xBB\xBF[Portable]\r\nType=1\r\n";
    EXPECT_TRUE(IniFile::parse(bom).readBool("Portable", "Type", false));
    EXPECT_EQ(IniFile::parse(bom).serialize(), bom);
}

TEST(IniFileFiles, HostFileWriteThroughAndNoOverwriteOfTheUnreadable) {
    TempDir dir;
    const auto path = dir.path() / "index.ini";
    ProfileFile index(path);
    EXPECT_EQ(index.readString("s", "k", "none"), "none");  // missing file reads as empty
    ASSERT_TRUE(index.writeString("46000.5", "Type", "29001"));
    ASSERT_TRUE(index.writeString("46000.5", "29601", "46000.51"));

    // A second object sees each write at once.
    ProfileFile other(path);
    EXPECT_EQ(other.readInteger("46000.5", "type", 0), 29001);
    ASSERT_TRUE(other.eraseKey("46000.5", "29601"));
    EXPECT_FALSE(index.valueExists("46000.5", "29601"));

    EXPECT_EQ(readHost(path), "[46000.5]\r\nType=29001\r\n");
    ASSERT_TRUE(index.eraseSection("46000.5"));
    EXPECT_TRUE(index.sectionNames().empty());
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path(), path);  // no temp left

    // An unreadable file is not overwritten.
    std::filesystem::create_directory(dir.path() / "settings.ini");  // a folder, not a file
    ProfileFile ini(dir.path() / "settings.ini");
    EXPECT_FALSE(ini.writeString("s", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "settings.ini"));
}

TEST(IniFileFiles, MachineFileReadAndWrittenThroughItsFileSystem) {
    testing::MachineBuilder builder;
    builder.file("C:\\Backups\\index.ini", "; kept\r\n[46000.5]\r\nType=29001\r\n");
    auto machine = builder.build();
    ProfileFile index(machine->fileSystem(), "c:\\BACKUPS\\Index.INI");
    EXPECT_EQ(index.readInteger("46000.5", "Type", 0), 29001);
    ASSERT_TRUE(index.writeString("46000.5", "29602", "46000.6"));
    EXPECT_EQ(readHost(builder.hostPath("C:\\Backups\\index.ini")),
              "; kept\r\n[46000.5]\r\nType=29001\r\n29602=46000.6\r\n");

    // A folder that does not exist: reads give defaults, the write reports failure.
    ProfileFile missing(machine->fileSystem(), "C:\\NoSuchFolder\\index.ini");
    EXPECT_EQ(missing.readString("a", "b", "dflt"), "dflt");
    EXPECT_FALSE(missing.writeString("a", "b", "c"));
}

}  // namespace
}  // namespace quorvel::core
