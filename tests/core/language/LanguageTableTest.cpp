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

TEST(LanguageTableTest, SubstitutionAmpersandsBlanksAndEnglishFallback) {
    auto table = tableOf({"10617=Keine Probleme", "10619=", "Description=Deutsch", "13=first",
                          "13=second", "013=padded", "[Language]", "12"},
                         {"1=Found %s items in %s2", "2=%s2%s%s2", "3=%s2 then %s", "4=100%",
                          "5=%s in %s2", "6=Tom & Jerry", "7=Open %s", "8=&&",
                          "9=  \t\x01 text \x02 end", "10=%s", "11=   ", "10617=No problems",
                          "10618=1 problem", "10619=%s problems", "12=english", "0=zero"});
    struct Row {
        int id;
        const char *first, *second, *expected;
    };
    const Row rows[] = {
        {1, "12", "C:", "Found 12 items in C:"},  // the second argument goes in first
        {2, "a", "b", "bab"},
        {3, "x", "", "then x"},  // empty second, leading blank removed
        {4, "x", "", "100%"},
        {5, "50%s2", "C:\\%s\\x", "50%s2 in C:\\%s\\x"},  // arguments are never searched
        {6, "", "", "Tom && Jerry"},                      // ampersands doubled, also in arguments
        {7, "R&D", "", "Open R&&D"},
        {8, "", "", "&&&&"},
        {9, "", "", "text \x02 end"},  // leading blanks and control characters go
        {10, "  \r\n padded", "", "padded"},
        {11, "", "", ""},
        {10617, "", "", "Keine Probleme"},  // missing or empty: the English text
        {10618, "", "", "1 problem"},
        {10619, "3", "", "3 problems"},
        {10620, "", "", ""},
        {-1, "", "", ""},
        {13, "", "", "first"},  // the first line with an id wins; "013" and a bare "12" never
        {12, "", "", "english"},
        {0, "", "", "zero"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(table->LangText(r.id, r.first, r.second), r.expected) << r.id;
}

TEST(LanguageTableTest, LoadsFilesByNameWithoutCaseAndFallsBack) {
    testing::TempDir dir;
    LanguageTable table;
    table.load(dir.path(), "german.lng");  // no languages folder at all
    EXPECT_TRUE(table.lists()->english.empty());

    const auto languages = dir.path() / "languages";
    writeFile(languages / "English.LNG", "1=english\r\n2=two\r\n");
    writeFile(languages / "german.lng", "[Language]\n1 =  deutsch   \n");
    writeFile(languages / "GERMAN.lng.bak", "2=backup\n");
    table.load(dir.path(), "German.lng");
    EXPECT_EQ(table.LangText(1), "deutsch");
    EXPECT_EQ(table.LangText(2), "two");
    EXPECT_EQ(table.lists()->selected.at(1), "1=  deutsch");
    table.load(dir.path(), "french.lng");
    EXPECT_EQ(table.LangText(1), "english");
    EXPECT_TRUE(table.lists()->selected.empty());

    // Names with folder parts are not followed.
    writeFile(dir.path() / "secret.lng", "1=outside\n");
    writeFile(languages / "sub" / "x.lng", "1=nested\n");
    for (const char* name : {"../secret.lng", "..\\secret.lng", "sub/x.lng", "", "..", "C:x"}) {
        table.load(dir.path(), name);
        EXPECT_EQ(table.LangText(1), "english") << name;
    }

    // A reload keeps nothing of the earlier one.
    std::filesystem::remove(languages / "English.LNG");
    table.load(dir.path(), "English.LNG");
    EXPECT_EQ(table.LangText(1), "");
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
