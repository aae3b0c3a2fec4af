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

TEST(LanguageFileTest, NormalisesBlanksAroundIdAndEqualsButKeepsTextInside) {
    EXPECT_EQ(normaliseLanguageLine("10617 =  No problems found"), "10617=  No problems found");
    EXPECT_EQ(normaliseLanguageLine("  10617\t= text  \t"), "10617= text");
    // Only the first "=" splits; later ones belong to the text.
    EXPECT_EQ(normaliseLanguageLine(" 1 = a = b "), "1= a = b");
    EXPECT_EQ(normaliseLanguageLine("  [Language]  "), "[Language]");
    EXPECT_EQ(normaliseLanguageLine("10617="), "10617=");
    EXPECT_EQ(normaliseLanguageLine("   "), "");
    // Non-ASCII text bytes are not taken for blanks.
    EXPECT_EQ(normaliseLanguageLine("5=Gr\xC3\xBC\xC3\x9F"
                                    "e "),
              "5=Gr\xC3\xBC\xC3\x9F"
              "e");
}

TEST(LanguageFileTest, LineIdAcceptsOnlyPlainDecimalNames) {
    EXPECT_EQ(languageLineId("10617=x"), 10617);
    EXPECT_EQ(languageLineId("0=x"), 0);
    EXPECT_EQ(languageLineId("010617=x"), -1);
    EXPECT_EQ(languageLineId("Description=English"), -1);
    EXPECT_EQ(languageLineId("[Language]"), -1);
    EXPECT_EQ(languageLineId("=text"), -1);
    EXPECT_EQ(languageLineId("-5=x"), -1);
    EXPECT_EQ(languageLineId("1234567890=too long"), -1);  // would overflow int
    EXPECT_EQ(languageLineText("7=a=b"), "a=b");
    EXPECT_EQ(languageLineText("no equals"), "");
}

TEST(LanguageFileTest, SplitsEveryKindOfLineEnd) {
    const auto lines = splitLanguageLines("a\r\nb\nc\rd\r\n\r\ne");
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(splitLanguageLines("a\r\n").size(), 1u);
    EXPECT_TRUE(splitLanguageLines("").empty());
}

TEST(LanguageFileTest, DecodesUtf8Windows1252AndUtf16) {
    // UTF-8 stays, its byte order mark goes.
    EXPECT_EQ(decodeLanguageBytes("\xEF\xBB\xBF"
                                  "1=\xC3\xA4"),
              "1=\xC3\xA4");
    // Not valid UTF-8: Windows-1252 ("ä", the euro sign and a curly quote).
    EXPECT_EQ(decodeLanguageBytes("1=\xE4 \x80 \x93"), "1=\xC3\xA4 \xE2\x82\xAC \xE2\x80\x9C");
    // UTF-16 little and big endian with their byte order marks.
    EXPECT_EQ(decodeLanguageBytes(std::string("\xFF\xFE"
                                              "1\0=\0\xE4\0",
                                              8)),
              "1=\xC3\xA4");
    EXPECT_EQ(decodeLanguageBytes(std::string("\xFE\xFF\0"
                                              "1\0=\0\xE4",
                                              8)),
              "1=\xC3\xA4");
    // An odd trailing byte of a damaged UTF-16 file is dropped, not read past.
    EXPECT_EQ(decodeLanguageBytes(std::string("\xFF\xFE"
                                              "A\0B",
                                              5)),
              "A");
}

TEST(LanguageFileTest, LoadsWindows1252FileWithCrLf) {
    testing::TempDir dir;
    const auto file = dir.path() / "german.lng";
    writeBytes(file,
               "[Language]\r\nDescription=Deutsch\r\n 10617 = Keine Probleme gefunden  \r\n"
               "10618=\xDC"
               "berpr\xFC"
               "fung\r\n");
    const auto lines = loadLanguageFile(file);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "10617= Keine Probleme gefunden");
    EXPECT_EQ(lines[3],
              "10618=\xC3\x9C"
              "berpr\xC3\xBC"
              "fung");
}

TEST(LanguageFileTest, MissingFolderOversizedOrEmptyFilesGiveNoLines) {
    testing::TempDir dir;
    EXPECT_TRUE(loadLanguageFile(dir.path() / "missing.lng").empty());
    EXPECT_TRUE(loadLanguageFile(dir.path()).empty());  // a folder, not a file

    const auto empty = dir.path() / "empty.lng";
    writeBytes(empty, "");
    EXPECT_TRUE(loadLanguageFile(empty).empty());

    const auto big = dir.path() / "big.lng";
    {
        std::ofstream out(big, std::ios::binary);
        const std::string block(1024 * 1024, 'x');
        for (std::size_t i = 0; i * block.size() <= kMaxLanguageFileBytes; ++i)
            out << block;
    }
    EXPECT_TRUE(loadLanguageFile(big).empty());
}

TEST(LanguageFileTest, BinaryGarbageLoadsWithoutHarm) {
    testing::TempDir dir;
    const auto file = dir.path() / "garbage.lng";
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 7919) & 0xFF);
    writeBytes(file, bytes);
    for (const auto& line : loadLanguageFile(file)) {
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(line.find('\r'), std::string::npos);
    }
}

}  // namespace
}  // namespace quorvel::core
