#include "core/language/LanguageTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

namespace quorvel::core {
namespace {

std::unique_ptr<LanguageTable> tableOf(std::vector<std::string> selected,
                                       std::vector<std::string> english) {
    auto table = std::make_unique<LanguageTable>();
    table->replace({std::move(selected), std::move(english)});
    return table;
}

void writeFile(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
}

TEST(LanguageTableTest, SubstitutesSecondArgumentBeforeFirst) {
    auto table = tableOf({}, {"1=Found %s items in %s2", "2=%s2%s%s2", "3=%s2 then %s", "4=100%"});
    EXPECT_EQ(table->LangText(1, "12", "C:"), "Found 12 items in C:");
    EXPECT_EQ(table->LangText(2, "a", "b"), "bab");
    EXPECT_EQ(table->LangText(3, "x"), "then x");  // empty second, leading blank removed
    EXPECT_EQ(table->LangText(4, "x"), "100%");
}

TEST(LanguageTableTest, ArgumentsAreNeverSearchedForPlaceholders) {
    auto table = tableOf({}, {"1=%s in %s2"});
    // A path or value name that itself holds "%s" or "%s2" comes through unchanged.
    EXPECT_EQ(table->LangText(1, "50%s2", "C:\\%s\\x"), "50%s2 in C:\\%s\\x");
}

TEST(LanguageTableTest, DoublesAmpersandsAlsoInArguments) {
    auto table = tableOf({}, {"1=Tom & Jerry", "2=Open %s", "3=&&"});
    EXPECT_EQ(table->LangText(1), "Tom && Jerry");
    EXPECT_EQ(table->LangText(2, "R&D"), "Open R&&D");
    EXPECT_EQ(table->LangText(3), "&&&&");
}

TEST(LanguageTableTest, RemovesLeadingBlanksAndControlCharacters) {
    auto table = tableOf({}, {"1=  \t\x01 text \x02 end", "2=%s", "3=   "});
    EXPECT_EQ(table->LangText(1), "text \x02 end");
    EXPECT_EQ(table->LangText(2, "  \r\n padded"), "padded");
    EXPECT_EQ(table->LangText(3), "");
}

TEST(LanguageTableTest, FallsBackToEnglishWhenMissingOrEmpty) {
    auto table = tableOf({"10617=Keine Probleme", "10619=", "Description=Deutsch"},
                         {"10617=No problems", "10618=1 problem", "10619=%s problems"});
    EXPECT_EQ(table->LangText(10617), "Keine Probleme");
    EXPECT_EQ(table->LangText(10618), "1 problem");
    EXPECT_EQ(table->LangText(10619, "3"), "3 problems");
    EXPECT_EQ(table->LangText(10620), "");
    EXPECT_EQ(table->LangText(-1), "");
}

TEST(LanguageTableTest, FirstLineWithAnIdWinsAndOtherLinesNeverMatch) {
    auto table = tableOf({"5=first", "5=second", "05=padded", "[Language]", "6"},
                         {"6=english six", "0=zero"});
    EXPECT_EQ(table->LangText(5), "first");
    EXPECT_EQ(table->LangText(6), "english six");  // the bare line "6" has no "="
    EXPECT_EQ(table->LangText(0), "zero");
}

TEST(LanguageTableTest, LoadsFilesWithNormalisation) {
    testing::TempDir dir;
    writeFile(dir.path() / "languages" / "english.lng",
              "[Language]\r\nDescription=English\r\n10617=No problems found\r\n"
              "10618=One problem found\r\n");
    writeFile(dir.path() / "languages" / "german.lng",
              "[Language]\nDescription=Deutsch\n10617 =  Keine Probleme gefunden   \n");
    LanguageTable table;
    table.load(dir.path(), "german.lng");
    EXPECT_EQ(table.LangText(10617), "Keine Probleme gefunden");
    EXPECT_EQ(table.LangText(10618), "One problem found");
    EXPECT_EQ(table.lists()->selected.at(2), "10617=  Keine Probleme gefunden");
}

TEST(LanguageTableTest, MissingFilesLeaveEmptyListsAndReloadReplacesOldTexts) {
    testing::TempDir dir;
    LanguageTable table;
    table.load(dir.path(), "german.lng");  // no languages folder at all
    EXPECT_TRUE(table.lists()->english.empty());
    EXPECT_EQ(table.LangText(1), "");

    writeFile(dir.path() / "languages" / "english.lng", "1=one\n");
    table.load(dir.path(), "missing.lng");
    EXPECT_EQ(table.LangText(1), "one");
    EXPECT_TRUE(table.lists()->selected.empty());

    std::filesystem::remove(dir.path() / "languages" / "english.lng");
    table.load(dir.path(), "english.lng");
    EXPECT_EQ(table.LangText(1), "");  // nothing of the earlier load survives
}

TEST(LanguageTableTest, FileNamesCompareWithoutCase) {
    testing::TempDir dir;
    writeFile(dir.path() / "languages" / "English.LNG", "1=english\n");
    writeFile(dir.path() / "languages" / "german.lng", "1=deutsch\n2=zwei\n");
    writeFile(dir.path() / "languages" / "GERMAN.lng.bak", "2=backup\n");
    LanguageTable table;
    table.load(dir.path(), "German.lng");
    EXPECT_EQ(table.LangText(1), "deutsch");
    EXPECT_EQ(table.LangText(2), "zwei");
    table.load(dir.path(), "french.lng");
    EXPECT_EQ(table.LangText(1), "english");
}

TEST(LanguageTableTest, FileNamesWithFolderPartsAreNotFollowed) {
    testing::TempDir dir;
    writeFile(dir.path() / "languages" / "english.lng", "1=english\n");
    writeFile(dir.path() / "secret.lng", "1=outside\n");
    writeFile(dir.path() / "languages" / "sub" / "x.lng", "1=nested\n");
    for (const char* name : {"../secret.lng", "..\\secret.lng", "sub/x.lng", "", "..", "C:x"}) {
        LanguageTable table;
        table.load(dir.path(), name);
        EXPECT_EQ(table.LangText(1), "english") << name;
    }
}

TEST(LanguageTableTest, ReadersNeverSeeAMixOfTwoLoads) {
    // Two complete tables that differ in every text; a reader must always get one whole text
    // and a lists() snapshot whose two lists belong to the same load.
    const auto make = [](char c) {
        const std::string text(200, c);
        LanguageTable::Lists lists;
        for (int id = 1; id <= 50; ++id) {
            lists.selected.push_back(std::to_string(id) + "=" + text + "%s");
            lists.english.push_back(std::to_string(id) + "=" + text);
        }
        return lists;
    };
    const auto a = make('a');
    const auto b = make('b');

    LanguageTable table;
    table.replace(a);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            while (!done.load()) {
                for (int id = 1; id <= 50; ++id) {
                    const auto text = table.LangText(id, "!");
                    if (text != std::string(200, 'a') + "!" && text != std::string(200, 'b') + "!")
                        ++torn;
                }
                const auto lists = table.lists();
                if (lists->selected.size() != 50 ||
                    lists->selected.front()[2] != lists->english.back()[3])
                    ++torn;
            }
        });
    }
    for (int i = 0; i < 1000; ++i)
        table.replace(i % 2 ? a : b);
    done = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
}  // namespace quorvel::core
