#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "core/language/LanguageFile.h"
#include "core/language/LanguageTable.h"
#include "support/TempDir.h"

namespace quorvel::core {
namespace {

using namespace std::string_literals;

void writeFile(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

TEST(LanguageFile, LinesIdsAndDecoding) {
    const std::pair<const char*, const char*> lines[] = {
        {"10617 =  No problems found", "10617=  No problems found"},
        {"  10617\t= text  \t", "10617= text"},
        {" 1 = a = b ", "1= a = b"},  // only the first "=" splits
        {"  [Language]  ", "[Language]"},
        {"   ", ""},
        {"5=Gr\xC3\xBC\xC3\x9F ", "5=Gr\xC3\xBC\xC3\x9F"},  // non-ASCII is no blank
    };
    for (const auto& [raw, normalised] : lines)
        EXPECT_EQ(normaliseLanguageLine(raw), normalised) << raw;
    const std::pair<const char*, int> ids[] = {
        {"10617=x", 10617}, {"0=x", 0},    {"010617=x", -1}, {"Description=English", -1},
        {"[Language]", -1}, {"=text", -1}, {"-5=x", -1},     {"1234567890=too long", -1}};
    for (const auto& [line, id] : ids)
        EXPECT_EQ(languageLineId(line), id) << line;
    EXPECT_EQ(languageLineText("7=a=b"), "a=b");
    EXPECT_EQ(languageLineText("no equals"), "");
    EXPECT_EQ(splitLanguageLines("a\r\nb\nc\rd\r\n\r\ne"),
              (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));

    const std::pair<std::string, std::string> bytes[] = {
        {"\xEF\xBB\xBF\x31=\xC3\xA4", "1=\xC3\xA4"},  // UTF-8 stays, its mark goes
        // Not valid UTF-8: Windows-1252 ("ä", the euro sign and a curly quote).
        {"1=\xE4 \x80 \x93", "1=\xC3\xA4 \xE2\x82\xAC \xE2\x80\x9C"},
        {"\xFF\xFE\x31\0=\0\xE4\0"s, "1=\xC3\xA4"},
        {"\xFE\xFF\0\x31\0=\0\xE4"s, "1=\xC3\xA4"},
        {"\xFF\xFE\x41\0B"s, "A"},  // an odd trailing byte of damaged UTF-16 is dropped
    };
    for (const auto& [raw, text] : bytes)
        EXPECT_EQ(decodeLanguageBytes(raw), text);
}

TEST(LanguageTable, SubstitutionAmpersandsBlanksAndEnglishFallback) {
    LanguageTable table;
    table.replace({{"10617=Keine Probleme", "10619=", "Description=Deutsch", "13=first",
                    "13=second", "013=padded", "[Language]", "12"},
                   {"1=Found %s items in %s2", "2=%s2%s%s2", "3=%s2 then %s", "4=100%",
                    "5=%s in %s2", "6=Tom & Jerry", "7=Open %s", "8=&&", "9=  \t\x01 text \x02 end",
                    "10=%s", "11=   ", "10617=No problems", "10618=1 problem", "10619=%s problems",
                    "12=english", "0=zero"}});
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
        EXPECT_EQ(table.LangText(r.id, r.first, r.second), r.expected) << r.id;
}

TEST(LanguageTable, LoadsFilesByNameWithoutCaseAndFallsBack) {
    testing::TempDir dir;
    LanguageTable table;
    table.load(dir.path(), "german.lng");  // no languages folder at all
    EXPECT_TRUE(table.lists()->english.empty());

    const auto languages = dir.path() / "languages";
    writeFile(languages / "English.LNG", "1=english\r\n2=two\r\n");
    writeFile(languages / "german.lng", "[Language]\n1 =  D\xFCsseldorf   \n");  // Windows-1252
    writeFile(languages / "GERMAN.lng.bak", "2=backup\n");
    table.load(dir.path(), "German.lng");
    EXPECT_EQ(table.LangText(1), "D\xC3\xBCsseldorf");
    EXPECT_EQ(table.LangText(2), "two");
    EXPECT_EQ(table.lists()->selected.at(1), "1=  D\xC3\xBCsseldorf");
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
    // Folders and oversized files are no language files.
    EXPECT_TRUE(loadLanguageFile(languages).empty());
    std::filesystem::resize_file(languages / "german.lng", kMaxLanguageFileBytes + 1);
    EXPECT_TRUE(loadLanguageFile(languages / "german.lng").empty());
    // A reload keeps nothing of the earlier one.
    std::filesystem::remove(languages / "English.LNG");
    table.load(dir.path(), "English.LNG");
    EXPECT_EQ(table.LangText(1), "");
}

TEST(LanguageTable, ReadersNeverSeeAMixOfTwoLoads) {
    // Two tables that differ in every text: a reader always gets one whole text, and a lists()
    // snapshot whose two lists belong to the same load.
    const auto make = [](char c) {
        LanguageTable::Lists lists;
        for (int id = 1; id <= 50; ++id) {
            lists.selected.push_back(std::to_string(id) + "=" + std::string(200, c) + "%s");
            lists.english.push_back(std::to_string(id) + "=" + std::string(200, c));
        }
        return lists;
    };
    const auto a = make('a'), b = make('b');
    LanguageTable table;
    table.replace(a);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r)
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
    for (int i = 0; i < 1000; ++i)
        table.replace(i % 2 ? a : b);
    done = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
}  // namespace quorvel::core
