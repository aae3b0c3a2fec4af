#include <gtest/gtest.h>

#include "backup/RegFileParser.h"
#include "backup/RegFileWriter.h"
#include "backup/SampleValues.h"
#include "platform/RegistryNames.h"

namespace quorvel::backup::regfile {
namespace {

using platform::RegValue;
using platform::RootKey;
using testvalues::utf16File;

constexpr const char* kHead =
    "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";

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

TEST(RegFile, FileIsUtf16WithByteOrderMarkHeaderAndCrLf) {
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

// Quoted where regedit quotes, and read back from that text; hex with the type number wherever
// quotes or dword: would lose bytes (no terminator, odd length, inner NUL, line break, short dword)
// or the type.
TEST(RegFile, EachValueIsWrittenAsRegeditWritesItAndReadBack) {
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
        // And the line as written reads back as the same value.
        auto parsed = parseFile(utf16File(std::string(kHead) + row.line + "\r\n"));
        ASSERT_TRUE(parsed) << parsed.status().message();
        ASSERT_EQ(parsed->keys[0].values.size(), 1u);
        EXPECT_EQ(parsed->keys[0].values[0].name, row.name);
        EXPECT_EQ(parsed->keys[0].values[0].value, row.value);
    }
}

TEST(RegFile, LongHexListsWrapLikeRegedit) {
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

TEST(RegFile, KeyLinesRootsAndDeletions) {
    auto parsed =
        parseFile(utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CLASSES_ROOT\\.txt]\r\n\r\n"
                            "[hkcu\\Software\\odd]name[x]]\r\n\"gone\"=-\r\n@=-\r\n\r\n"
                            "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
                            "[HKEY_USERS]\r\n"
                            "; a comment\r\n"
                            "[HKEY_CURRENT_CONFIG\\Software]\r\n"));
    ASSERT_TRUE(parsed) << parsed.status().message();
    // Each key as "-" (deletion), long root name, "\\" path, then "name=-" per deleted value.
    std::vector<std::string> keys;
    for (const auto& k : parsed->keys) {
        keys.push_back(std::string(k.remove ? "-" : "") +
                       std::string(platform::rootKeyLongName(k.root)) + "\\" + k.path);
        for (const auto& v : k.values)
            keys.back() += " " + v.name + (v.value ? "=?" : "=-");
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"HKEY_CLASSES_ROOT\\.txt",
                                              "HKEY_CURRENT_USER\\Software\\odd]name[x] gone=- =-",
                                              "-HKEY_LOCAL_MACHINE\\Software\\Old", "HKEY_USERS\\",
                                              "HKEY_CURRENT_CONFIG\\Software"}));
}

TEST(RegFile, ToleratesWhatOtherWritersProduce) {
    // LF-only lines, blanks around '=', upper-case hex, indentation, an 8-bit REGEDIT4 file
    // whose expandable string is stored as single-byte text.
    auto tolerant =
        parseFile(utf16File("Windows Registry Editor Version 5.00\n"
                            "  [HKEY_LOCAL_MACHINE\\A]  \n"
                            "  \"x\" = DWORD:0000ABCD\n"
                            "\"b\"=hex:AA,bb,\\\n"
                            "      0C\n"));
    ASSERT_TRUE(tolerant) << tolerant.status().message();
    ASSERT_EQ(tolerant->keys[0].values.size(), 2u);
    EXPECT_EQ(*tolerant->keys[0].values[0].value, RegValue::dword(0xABCD));
    EXPECT_EQ(*tolerant->keys[0].values[1].value, RegValue::binary({0xAA, 0xBB, 0x0C}));

    auto ansi = parseFile(
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"s\"=\"caf\xE9\"\r\n"
        "\"e\"=hex(2):25,41,25,00\r\n\"m\"=hex(7):61,00,00\r\n");
    ASSERT_TRUE(ansi) << ansi.status().message();
    ASSERT_EQ(ansi->keys[0].values.size(), 3u);
    EXPECT_EQ(*ansi->keys[0].values[0].value, RegValue::string("café"));
    EXPECT_EQ(*ansi->keys[0].values[1].value, RegValue::string("%A%", platform::regtype::ExpandSz));
    EXPECT_EQ(*ansi->keys[0].values[2].value, RegValue::multiString({"a"}));
}

TEST(RegFile, DamagedFilesAreRefusedWithTheLine) {
    const std::string head = kHead;
    const std::vector<std::pair<std::string, std::string>> damaged{
        {"empty file", ""},
        {"no header", "\xFF\xFE"},
        {"unknown header", utf16File("Some Other Editor 1.0\r\n[HKEY_CURRENT_USER\\A]\r\n")},
        {"UTF-16 without byte-order mark", utf16File(head).substr(2)},
        {"odd byte count", utf16File(head) + "\x22"},
        {"ends inside continued value", utf16File(head + "\"b\"=hex:00,01,\\\r\n")},
        {"bad hex byte", utf16File(head + "\"b\"=hex:00,zz\r\n")},
        {"one hex digit (cut short)", utf16File(head + "\"b\"=hex:00,0")},
        {"dangling comma", utf16File(head + "\"b\"=hex:00,\r\n")},
        {"three hex digits", utf16File(head + "\"b\"=hex:000\r\n")},
        {"bad type number", utf16File(head + "\"b\"=hex(xyz):00\r\n")},
        {"type number too long", utf16File(head + "\"b\"=hex(123456789):00\r\n")},
        {"unclosed hex(", utf16File(head + "\"b\"=hex(2:00\r\n")},
        {"dword too long", utf16File(head + "\"d\"=dword:123456789\r\n")},
        {"dword empty", utf16File(head + "\"d\"=dword:\r\n")},
        {"unterminated string", utf16File(head + "\"s\"=\"abc\r\n")},
        {"unterminated name", utf16File(head + "\"s=\"abc\"")},
        {"text after string", utf16File(head + "\"s\"=\"abc\" junk\r\n")},
        {"missing =", utf16File(head + "\"s\" \"abc\"\r\n")},
        {"unknown data kind", utf16File(head + "\"s\"=word:1\r\n")},
        {"value before any key",
         utf16File("Windows Registry Editor Version 5.00\r\n\"s\"=\"abc\"\r\n")},
        {"value under deleted key",
         utf16File(
             "Windows Registry Editor Version 5.00\r\n[-HKEY_CURRENT_USER\\A]\r\n@=\"x\"\r\n")},
        {"unknown root",
         utf16File("Windows Registry Editor Version 5.00\r\n[HKEY_NOWHERE\\A]\r\n")},
        {"key line without ]",
         utf16File("Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\A\r\n")},
        {"empty key name",
         utf16File("Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\A\\\\B]\r\n")},
        {"garbage line", utf16File(head + "this is not a value\r\n")},
    };
    for (const auto& [what, bytes] : damaged) {
        auto parsed = parseFile(bytes);
        EXPECT_FALSE(parsed) << what;
        if (!parsed) {
            EXPECT_FALSE(parsed.status().message().empty()) << what;
        }
    }
    auto bad = parseFile(utf16File(head + "\"b\"=hex:00,zz\r\n"));
    EXPECT_NE(bad.status().message().find("line 4"), std::string::npos) << bad.status().message();
}

}  // namespace
}  // namespace quorvel::backup::regfile
