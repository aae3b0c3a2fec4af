#include "backup/RegFileParser.h"

#include <gtest/gtest.h>

#include "backup/RegFileWriter.h"
#include "backup/SampleValues.h"

namespace quorvel::backup::regfile {
namespace {

using platform::RegValue;
using platform::RootKey;
using testvalues::awkwardValues;
using testvalues::utf16File;

// A file of one key holding the given values, written by the writer.
std::string fileWith(const std::vector<platform::NamedRegValue>& values) {
    std::vector<std::string> lines{keyLine("HKEY_LOCAL_MACHINE", "Software\\T")};
    for (const auto& v : values) {
        for (auto& l : valueLines(v.name, v.value))
            lines.push_back(l);
    }
    lines.emplace_back();
    return encodeFile(lines);
}

TEST(RegFileParser, EveryValueComesBackWithItsExactTypeAndBytes) {
    const auto values = awkwardValues();
    auto parsed = parseFile(fileWith(values));
    ASSERT_TRUE(parsed) << parsed.status().message();
    ASSERT_EQ(parsed->keys.size(), 1u);
    const auto& key = parsed->keys[0];
    EXPECT_EQ(key.root, RootKey::LocalMachine);
    EXPECT_EQ(key.path, "Software\\T");
    EXPECT_FALSE(key.remove);
    ASSERT_EQ(key.values.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(key.values[i].name, values[i].name);
        ASSERT_TRUE(key.values[i].value.has_value()) << values[i].name;
        EXPECT_EQ(*key.values[i].value, values[i].value) << values[i].name;
    }
}

TEST(RegFileParser, KeyLinesRootsAndDeletions) {
    auto parsed =
        parseFile(utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CLASSES_ROOT\\.txt]\r\n\r\n"
                            "[hkcu\\Software\\odd]name[x]]\r\n\"gone\"=-\r\n@=-\r\n\r\n"
                            "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
                            "[HKEY_USERS]\r\n"
                            "; a comment\r\n"
                            "[HKEY_CURRENT_CONFIG\\Software]\r\n"));
    ASSERT_TRUE(parsed) << parsed.status().message();
    ASSERT_EQ(parsed->keys.size(), 5u);
    EXPECT_EQ(parsed->keys[0].root, RootKey::ClassesRoot);
    EXPECT_EQ(parsed->keys[0].path, ".txt");
    EXPECT_EQ(parsed->keys[1].root, RootKey::CurrentUser);
    EXPECT_EQ(parsed->keys[1].path, "Software\\odd]name[x]");
    ASSERT_EQ(parsed->keys[1].values.size(), 2u);
    EXPECT_EQ(parsed->keys[1].values[0].name, "gone");
    EXPECT_FALSE(parsed->keys[1].values[0].value.has_value());
    EXPECT_EQ(parsed->keys[1].values[1].name, "");
    EXPECT_FALSE(parsed->keys[1].values[1].value.has_value());
    EXPECT_TRUE(parsed->keys[2].remove);
    EXPECT_EQ(parsed->keys[2].path, "Software\\Old");
    EXPECT_EQ(parsed->keys[3].root, RootKey::Users);
    EXPECT_EQ(parsed->keys[3].path, "");
    EXPECT_EQ(parsed->keys[4].root, RootKey::CurrentConfig);
}

TEST(RegFileParser, ToleratesWhatOtherWritersProduce) {
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

TEST(RegFileParser, DamagedFilesAreRefusedWithTheLine) {
    const std::string head =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";
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
