#include "backup/RegFileWriter.h"

#include <gtest/gtest.h>

#include "platform/text/Unicode.h"

namespace quorvel::backup::regfile {
namespace {

using platform::RegValue;

std::string decodeUtf16(std::string_view bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                              (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
    return platform::text::utf16ToUtf8(units);
}

RegValue raw(std::uint32_t type, std::vector<std::uint8_t> bytes) {
    return RegValue::binary(std::move(bytes), type);
}

TEST(RegFileWriter, FileIsUtf16WithByteOrderMarkHeaderAndCrLf) {
    const std::string bytes = encodeFile({"[HKEY_CURRENT_USER\\Software\\Ä]", "@=\"x\"", ""});
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(decodeUtf16(bytes.substr(2)),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Ä]\r\n@=\"x\"\r\n\r\n");
    // "Ä" is one UTF-16 unit, not two UTF-8 bytes widened.
    EXPECT_NE(bytes.find(std::string("\xC4\x00", 2)), std::string::npos);

    EXPECT_EQ(decodeUtf16(encodeFile({}).substr(2)),
              "Windows Registry Editor Version 5.00\r\n\r\n");
}

// Quoted where regedit quotes; hex with the type number wherever quotes or dword: would lose
// bytes (no terminator, odd length, inner NUL, line break, short dword) or the type.
TEST(RegFileWriter, EachValueIsWrittenAsRegeditWritesIt) {
    const struct {
        std::string name;
        RegValue value;
        std::string line;
    } rows[] = {
        {"", RegValue::string("C:\\x.exe"), "@=\"C:\\\\x.exe\""},
        {"say \"hi\" \\ [x]", RegValue::string("\"q\""),
         "\"say \\\"hi\\\" \\\\ [x]\"=\"\\\"q\\\"\""},
        {"@", RegValue::string(""), "\"@\"=\"\""},
        {"n", RegValue::dword(0x2a), "\"n\"=dword:0000002a"},
        {"a", raw(1, {'a', 0}), "\"a\"=hex(1):61,00"},
        {"a", raw(1, {'a', 0, 0}), "\"a\"=hex(1):61,00,00"},
        {"a", raw(1, {'a', 0, 0, 0, 'b', 0, 0, 0}), "\"a\"=hex(1):61,00,00,00,62,00,00,00"},
        {"a", RegValue::string("x\r\ny"), "\"a\"=hex(1):78,00,0d,00,0a,00,79,00,00,00"},
        {"a", raw(1, {}), "\"a\"=hex(1):"},
        {"a", raw(4, {1, 2, 3}), "\"a\"=hex(4):01,02,03"},
        {"b", raw(3, {0, 0xAB, 0}), "\"b\"=hex:00,ab,00"},
        {"e", RegValue::string("%A%", 2), "\"e\"=hex(2):25,00,41,00,25,00,00,00"},
        {"m", RegValue::multiString({"a", "", "b"}),
         "\"m\"=hex(7):61,00,00,00,00,00,62,00,00,00,00,00"},
        {"q", RegValue::qword(1), "\"q\"=hex(b):01,00,00,00,00,00,00,00"},
        {"z", raw(0, {}), "\"z\"=hex(0):"},
        {"u", raw(0xABCDEF12, {7}), "\"u\"=hex(abcdef12):07"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(valueLines(row.name, row.value)[0], row.line);
    }
}

TEST(RegFileWriter, LongHexListsWrapLikeRegedit) {
    std::vector<std::uint8_t> bytes(60);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    const auto lines = valueLines("Test", raw(3, bytes));
    // "Test"=hex: takes 11 columns; a line breaks once 77 are reached: 22 bytes on the first
    // line, 25 on each continuation line.
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 17), "\"Test\"=hex:00,01,");
    EXPECT_EQ(lines[0].substr(lines[0].size() - 5), ",15,\\");
    EXPECT_EQ(lines[1].substr(0, 5), "  16,");
    EXPECT_EQ(lines[1].substr(lines[1].size() - 5), ",2e,\\");
    EXPECT_EQ(lines[2], "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b");
    for (const auto& l : lines)
        EXPECT_LE(l.size(), 80u) << l;

    // A long name pushes the first break earlier; a name with non-ASCII counts UTF-16 units.
    std::string name;
    for (int i = 0; i < 70; ++i)
        name += "é";
    const auto named = valueLines(name, raw(3, bytes));
    EXPECT_EQ(named[0], "\"" + name + "\"=hex:00,\\");
}

}  // namespace
}  // namespace quorvel::backup::regfile
