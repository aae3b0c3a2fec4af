#include "core/language/LanguageFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/TempDir.h"

namespace quorvel::core {
namespace {

void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(LanguageFileTest, LineNormalisingAndIds) {
    const std::pair<const char*, const char*> lines[] = {
        {"10617 =  No problems found", "10617=  No problems found"},
        {"  10617\t= text  \t", "10617= text"},
        {" 1 = a = b ", "1= a = b"},  // only the first "=" splits
        {"  [Language]  ", "[Language]"},
        {"   ", ""},
        {"5=Gr\xC3\xBC\xC3\x9F"
         "e ",
         "5=Gr\xC3\xBC\xC3\x9F"
         "e"},  // non-ASCII is no blank
    };
    for (const auto& [raw, normalised] : lines)
        EXPECT_EQ(normaliseLanguageLine(raw), normalised) << raw;

    const std::pair<const char*, int> ids[] = {
        {"10617=x", 10617}, {"0=x", 0},
        {"010617=x", -1},   {"Description=English", -1},
        {"[Language]", -1}, {"=text", -1},
        {"-5=x", -1},       {"1234567890=too long", -1},  // would overflow int
    };
    for (const auto& [line, id] : ids)
        EXPECT_EQ(languageLineId(line), id) << line;
    EXPECT_EQ(languageLineText("7=a=b"), "a=b");
    EXPECT_EQ(languageLineText("no equals"), "");
    EXPECT_EQ(splitLanguageLines("a\r\nb\nc\rd\r\n\r\ne"),
              (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

TEST(LanguageFileTest, DecodesUtf8Windows1252AndUtf16) {
    const std::pair<std::string, std::string> rows[] = {
        {"\xEF\xBB\xBF"
         "1=\xC3\xA4",
         "1=\xC3\xA4"},  // UTF-8 stays, its mark goes
        // Not valid UTF-8: Windows-1252 ("ä", the euro sign and a curly quote).
        {"1=\xE4 \x80 \x93", "1=\xC3\xA4 \xE2\x82\xAC \xE2\x80\x9C"},
        {std::string("\xFF\xFE"
                     "1\0=\0\xE4\0",
                     8),
         "1=\xC3\xA4"},
        {std::string("\xFE\xFF\0"
                     "1\0=\0\xE4",
                     8),
         "1=\xC3\xA4"},
        // An odd trailing byte of a damaged UTF-16 file is dropped, not read past.
        {std::string("\xFF\xFE"
                     "A\0B",
                     5),
         "A"},
    };
    for (const auto& [bytes, text] : rows)
        EXPECT_EQ(decodeLanguageBytes(bytes), text);
}

TEST(LanguageFileTest, LoadsFilesAndRefusesDamagedOnes) {
    testing::TempDir dir;
    const auto file = dir.path() / "german.lng";
    writeBytes(file,
               "[Language]\r\n 10617 = Keine Probleme  \r\n10618=\xDC"
               "berpr\xFC"
               "fung\r\n");
    EXPECT_EQ(loadLanguageFile(file),
              (std::vector<std::string>{"[Language]", "10617= Keine Probleme",
                                        "10618=\xC3\x9C"
                                        "berpr\xC3\xBC"
                                        "fung"}));

    EXPECT_TRUE(loadLanguageFile(dir.path() / "missing.lng").empty());
    EXPECT_TRUE(loadLanguageFile(dir.path()).empty());  // a folder, not a file
    const auto big = dir.path() / "big.lng";
    {
        std::ofstream out(big, std::ios::binary);
        const std::string block(1024 * 1024, 'x');
        for (std::size_t i = 0; i * block.size() <= kMaxLanguageFileBytes; ++i)
            out << block;
    }
    EXPECT_TRUE(loadLanguageFile(big).empty());

    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919) & 0xFF);
    writeBytes(file, garbage);
    for (const auto& line : loadLanguageFile(file))
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::core
