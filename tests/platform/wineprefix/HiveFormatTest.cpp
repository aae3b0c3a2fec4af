#include <gtest/gtest.h>

#include <string>

#include "platform/text/Unicode.h"
#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/HiveText.h"

namespace quorvel::platform::wineprefix {
namespace {

constexpr FileTime kLoadTime = FileTime::fromUnix(1700000000);

std::shared_ptr<Hive> parse(std::string text) {
    auto hive = std::make_shared<Hive>();
    hive->file = "test.reg";
    hive->relativeTo = "REGISTRY\\Machine";
    hive->root = std::make_shared<HiveKey>();
    hive->root->name = "Machine";
    hive->root->hive = 0;
    parseHive(*hive, std::move(text), kLoadTime);
    return hive;
}

const HiveKey* find(const Hive& hive, const std::vector<std::string_view>& path) {
    const HiveKey* key = hive.root.get();
    for (const auto name : path) {
        const auto i = key->findSubkey(name);
        if (!i) return nullptr;
        key = key->subkeys[*i].get();
    }
    return key;
}

std::vector<std::string> valueNames(const HiveKey& key) {
    std::vector<std::string> names;
    for (const HiveValue& v : key.values())
        names.push_back(v.name);
    return names;
}

std::vector<std::uint8_t> utf16(std::u16string_view s, bool terminate = true) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t c : s) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (terminate) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

const std::string kHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";

// Text exactly as wineserver writes it, with every value form it uses.
const std::string kWineText = kHeader +
                              "\n[Software\\\\Test] 1700317595\n"
                              "#time=1da1a2b3c4d5e6f\n"
                              "@=\"default\"\n"
                              "\"Bin\"=hex:de,ad,be,ef\n"
                              "\"Ctl\"=\"a\\tb\\nc\\r\\a\\b\\e\\f\\v\\1\\19\"\n"
                              "\"Dw\"=dword:0000002a\n"
                              "\"Esc\"=\"back\\\\slash \\\"quoted\\\"\"\n"
                              "\"Expand\"=str(2):\"%SystemRoot%\\\\x\"\n"
                              "\"Multi\"=str(7):\"one\\0two\\0\"\n"
                              "\"None\"=hex(0):\n"
                              "\"Odd\"=hex(1):41,00,42\n"
                              "\"Qw\"=hex(b):88,77,66,55,44,33,22,11\n"
                              "\"Text\"=\"Gr\\xfc\\x00dfe \\x2603\"\n"
                              "\"Unterminated\"=hex(2):41,00,42,00\n"
                              "\n[Software\\\\Test\\\\Class] 1700317595\n"
                              "#time=1da1a2b3c4d5e70\n"
                              "#class=\"My \\\"class\\\"\"\n"
                              "\n[System\\\\CurrentControlSet] 1700317595\n"
                              "#time=1da1a2b3c4d5e71\n"
                              "#link\n"
                              "\"SymbolicLinkValue\"=hex(6):5c,00,52,00\n";

TEST(HiveFormat, ReadsEveryValueFormWineWrites) {
    const auto hive = parse(kWineText);
    ASSERT_FALSE(hive->problem) << hive->problem->text;
    const HiveKey* key = find(*hive, {"software", "TEST"});
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->name, "Test");
    EXPECT_EQ(key->modified.ticks, 0x1da1a2b3c4d5e6full);

    auto v = [&](std::string_view name) { return key->value(name)->value; };
    EXPECT_EQ(v("").asString(), "default");
    EXPECT_EQ(v("Bin"), RegValue::binary({0xde, 0xad, 0xbe, 0xef}));
    EXPECT_EQ(v("Ctl").data, utf16(u"a\tb\nc\r\a\b\x1b\f\v\x01\x01"
                                   u"9"));
    EXPECT_EQ(v("Dw"), RegValue::dword(42));
    EXPECT_EQ(v("Esc").asString(), "back\\slash \"quoted\"");
    EXPECT_EQ(v("Expand"), RegValue::string("%SystemRoot%\\x", regtype::ExpandSz));
    EXPECT_EQ(v("Multi"), RegValue::multiString({"one", "two"}));
    EXPECT_EQ(v("None"), RegValue::binary({}, regtype::None));
    EXPECT_EQ(v("Odd"), RegValue::binary({0x41, 0x00, 0x42}, regtype::Sz));
    EXPECT_EQ(v("Qw"), RegValue::qword(0x1122334455667788ull));
    EXPECT_EQ(v("Text"), RegValue::string("Gr\xc3\xbc\xc3\x9f"
                                          "e \xe2\x98\x83"));
    EXPECT_EQ(v("Unterminated").data, utf16(u"AB", false));

    const HiveKey* cls = find(*hive, {"Software", "Test", "Class"});
    ASSERT_NE(cls, nullptr);
    ASSERT_TRUE(cls->className);
    EXPECT_EQ(*cls->className, u"My \"class\"");
    const HiveKey* link = find(*hive, {"System", "CurrentControlSet"});
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->isLink);
}

TEST(HiveFormat, RegeneratesWhatWineWroteByteForByte) {
    const auto hive = parse(kWineText);
    EXPECT_EQ(writeHive(*hive, HiveWriteMode::KeepText).text, kWineText);
    EXPECT_EQ(writeHive(*hive, HiveWriteMode::Regenerate).text, kWineText);
}

TEST(HiveFormat, KeepsForeignTextOfUntouchedKeys) {
    // Comments, unknown options, spacing and key order that wineserver would not write.
    const std::string text = kHeader +
                             ";; a comment\n"
                             "\n[Zeta]\n"
                             "\"A\" = dword:1\n"
                             "#unknown-option\n"
                             "[alpha] 1700000000\r\n"
                             "\"B\"=hex:1,2, 3 ,\\\n"
                             "    04\n";
    const auto hive = parse(text);
    ASSERT_FALSE(hive->problem) << hive->problem->text;
    EXPECT_EQ(hive->root->subkeys[0]->name, "Zeta");  // the file's order is kept
    EXPECT_EQ(find(*hive, {"alpha"})->value("b")->value, RegValue::binary({1, 2, 3, 4}));
    EXPECT_EQ(writeHive(*hive, HiveWriteMode::KeepText).text, text);
}

TEST(HiveFormat, ChangedKeyIsWrittenAnewWithItsTime) {
    auto hive = parse(kWineText);
    HiveKey* key = hive->root->subkeys[0]->subkeys[0].get();
    key->mutableValues().erase(key->mutableValues().begin() + 1, key->mutableValues().end());
    key->modified = FileTime::fromUnix(1800000000, 123456700);
    key->changed = true;
    const std::string out = writeHive(*hive, HiveWriteMode::KeepText).text;
    const std::string expected = kHeader +
                                 "\n[Software\\\\Test] 1800000000\n"
                                 "#time=1dda4c66b465687\n"
                                 "@=\"default\"\n" +
                                 kWineText.substr(kWineText.find("\n[Software\\\\Test\\\\Class]"));
    EXPECT_EQ(out, expected);
}

TEST(HiveFormat, LongBinaryWrapsLikeWine) {
    auto hive = parse(kHeader);
    auto key = hive->root->addSubkey("K");
    key->modified = FileTime{0x1d000000000000full};
    HiveValue& v = key->addValue("Name");
    std::vector<std::uint8_t> bytes(40);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    v.value = RegValue::binary(bytes);
    key->changed = true;
    // "Name"=hex: is 11 characters; the line breaks after the comma that passes 76.
    const std::string out = writeHive(*hive, HiveWriteMode::KeepText).text;
    const std::string expected = kHeader +
                                 "\n[K] 1415965319\n#time=1d000000000000f\n"
                                 "\"Name\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,"
                                 "11,12,13,14,15,\\\n"
                                 "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\n";
    EXPECT_EQ(out, expected);
}

TEST(HiveFormat, EscapesFollowWineRules) {
    std::string out;
    hivetext::appendEscaped(out,
                            u"\u00e9a\u00e9g\x01"
                            u"7\x01x\\\"[]",
                            '"', '"');
    EXPECT_EQ(out, "\\x00e9a\\xe9g\\0017\\1x\\\\\\\"[]");
    out.clear();
    hivetext::appendEscapedName(out, "a[b]\\c", '[', ']');
    EXPECT_EQ(out, "a\\[b\\]\\\\c");

    // Every code unit survives a write and a read, including lone surrogates and NULs.
    std::u16string all;
    for (char32_t c = 1; c < 0x10000; c += 7)
        all.push_back(static_cast<char16_t>(c));
    all += u"\xd800z\xdc00";
    std::string escaped;
    hivetext::appendEscaped(escaped, all, '"', '"');
    escaped += '"';
    std::u16string back;
    const auto used = hivetext::decode(escaped, '"', [&](char16_t u) { back.push_back(u); });
    ASSERT_TRUE(used);
    EXPECT_EQ(*used, escaped.size());
    EXPECT_EQ(back, all);
}

TEST(HiveFormat, ReadsUtf8AndUnknownEscapesAsWineDoes) {
    const auto hive = parse(kHeader + "\n[Caf\xc3\xa9\\\\x]\n\"q\"=\"\\q\\x\xe2\x82\xac\"\n");
    ASSERT_FALSE(hive->problem);
    const HiveKey* key = find(*hive, {"Caf\xc3\xa9", "x"});
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->value("q")->value.data, utf16(u"qx\u20ac"));
}

TEST(HiveFormat, ValuesReadOnFirstUseMatchTheFile) {
    // [A] comes twice (the second time in other case), is out of name order and has a bad line.
    const std::string text = kHeader +
                             "\n[A] 1700000000\n"
                             "\"b\"=dword:2\n"
                             "\"a\"=\"x\"\n"
                             "\"bad\"=hex:zz\n"
                             "\"c\"=hex:01,\\\n"
                             "  02\n"
                             "\n[B] 1700000000\n"
                             "\"v\"=dword:1\n"
                             "\n[a] 1700000001\n"
                             "\"A\"=\"y\"\n"
                             "\"d\"=dword:4\n";
    const auto hive = parse(text);
    ASSERT_TRUE(hive->problem);
    EXPECT_EQ(hive->problem->line, 9u);
    EXPECT_EQ(hive->problemCount, 1u);
    const HiveKey* a = find(*hive, {"A"});
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(valueNames(*a), (std::vector<std::string>{"b", "a", "c", "d"}));
    EXPECT_EQ(a->value("A")->value, RegValue::string("y"));
    EXPECT_EQ(a->value("C")->value, RegValue::binary({1, 2}));
    EXPECT_EQ(a->value("d")->value, RegValue::dword(4));
    EXPECT_EQ(find(*hive, {"b"})->value("V")->value, RegValue::dword(1));
    EXPECT_EQ(find(*hive, {"b"})->value("bad"), nullptr);
}

TEST(HiveFormat, NamesMetAgainAfterTheOrderBrokeAreNotDuplicated) {
    // A hand-edited hive: Software comes back after Alpha, a value name after a smaller one.
    const std::string text = kHeader +
                             "\n[Software\\\\A] 1700000000\n"
                             "\"b\"=dword:1\n"
                             "\"a\"=dword:2\n"
                             "\"c\"=dword:3\n"
                             "\"b\"=dword:4\n"
                             "\n[Alpha] 1700000000\n"
                             "\n[Software\\\\B] 1700000000\n"
                             "\n[software\\\\a] 1700000000\n"
                             "\"d\"=dword:5\n"
                             "\"C\"=dword:6\n";
    const auto hive = parse(text);
    EXPECT_FALSE(hive->problem);
    ASSERT_EQ(hive->root->subkeys.size(), 2u);
    const HiveKey* software = find(*hive, {"Software"});
    ASSERT_NE(software, nullptr);
    EXPECT_EQ(software->subkeys.size(), 2u);
    const HiveKey* a = find(*hive, {"Software", "A"});
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(valueNames(*a), (std::vector<std::string>{"b", "a", "c", "d"}));
    EXPECT_EQ(a->value("b")->value, RegValue::dword(4));
    EXPECT_EQ(a->value("c")->value, RegValue::dword(6));
}

// The tree below a key as "name(child,child)", in enumeration order.
std::string shape(const HiveKey& key) {
    std::string out = key.name;
    if (key.subkeys.empty()) return out;
    out += '(';
    for (std::size_t i = 0; i < key.subkeys.size(); ++i) {
        if (i > 0) out += ',';
        out += shape(*key.subkeys[i]);
    }
    out += ')';
    return out;
}

TEST(HiveFormat, KeyLinesSharingTheStartOfThePreviousOneFindTheirKeys) {
    // Paths that agree with the line before up to the middle of a name, through an escape,
    // across an empty name, and a line repeated as it stands.
    const std::string text = kHeader +
                             "\n[A\\\\B] 1700000000\n\"v\"=dword:1\n"
                             "\n[A\\\\BC] 1700000000\n"
                             "\n[A\\\\B\\\\C] 1700000000\n"
                             "\n[A\\\\B\\x41] 1700000000\n"
                             "\n[A\\\\\\\\B\\\\D] 1700000000\n"
                             "\n[A\\\\\\\\B\\\\D\\\\E] 1700000000\n"
                             "\n[A\\\\B] 1700000000\n"
                             "\n[A\\\\B] 1700000000\n\"w\"=dword:2\n";
    const auto hive = parse(text);
    EXPECT_FALSE(hive->problem) << hive->problem->text;
    ASSERT_EQ(hive->root->subkeys.size(), 1u);
    EXPECT_EQ(shape(*hive->root->subkeys[0]), "A(B(C,D(E)),BC,BA)");
    const HiveKey* b = find(*hive, {"A", "B"});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->values().size(), 2u);
}

TEST(HiveFormat, UntouchedKeysReadTheirValuesAfterASave) {
    auto hive = parse(kWineText);
    const auto fresh = parse(kWineText);
    HiveKey* cls = hive->root->subkeys[0]->subkeys[0]->subkeys[0].get();
    ASSERT_EQ(cls->name, "Class");
    cls->addValue("New").value = RegValue::dword(7);
    cls->changed = true;
    adoptWritten(*hive, writeHive(*hive, HiveWriteMode::KeepText));
    EXPECT_NE(hive->source.find("\"New\"=dword:00000007"), std::string::npos);
    // Their values were never read before the save; they come from the new text now.
    for (const auto& path : {std::vector<std::string_view>{"Software", "Test"},
                             std::vector<std::string_view>{"System", "CurrentControlSet"}}) {
        const HiveKey* now = find(*hive, path);
        const HiveKey* before = find(*fresh, path);
        EXPECT_EQ(valueNames(*now), valueNames(*before));
        ASSERT_EQ(now->values().size(), before->values().size());
        for (std::size_t i = 0; i < now->values().size(); ++i)
            EXPECT_EQ(now->values()[i].value, before->values()[i].value);
    }
    EXPECT_EQ(writeHive(*hive, HiveWriteMode::KeepText).text, hive->source);
}

struct Damage {
    const char* name;
    std::string text;
    std::size_t line;
};

class DamagedHive : public testing::TestWithParam<Damage> {};

TEST_P(DamagedHive, KeepsWhatItCanAndNamesTheFirstBadLine) {
    const Damage& d = GetParam();
    const auto hive = parse(d.text);
    ASSERT_TRUE(hive->problem) << d.name;
    EXPECT_EQ(hive->problem->line, d.line) << hive->problem->text;
    EXPECT_EQ(hive->problem->file, "test.reg");
    // The good key before the damage is there.
    if (d.line > 6) {
        EXPECT_NE(find(*hive, {"Good"}), nullptr) << d.name;
    }
}

const std::string kGood = kHeader + "\n[Good] 1700000000\n\"v\"=\"ok\"\n";  // lines 1-7

INSTANTIATE_TEST_SUITE_P(
    Hive, DamagedHive,
    testing::Values(Damage{"NoSignature", "REGEDIT4\n[A]\n", 1}, Damage{"Empty", "", 1},
                    Damage{"TruncatedHex", kGood + "\"b\"=hex:01,02,\\\n", 8},
                    Damage{"UnterminatedString", kGood + "\"s\"=\"abc\n", 8},
                    Damage{"EscapedLastQuote", kGood + "\"s\"=\"a\\\\\\\"\n", 8},
                    Damage{"UnterminatedName", kGood + "\"s=\"abc\"\n\"t\"=dword:1\n", 8},
                    Damage{"BadHex", kGood + "\"b\"=hex:0g,12\n", 8},
                    Damage{"HugeHexByte", kGood + "\"b\"=hex:123\n", 8},
                    Damage{"BadDword", kGood + "\"d\"=dword:xyz\n", 8},
                    Damage{"BadType", kGood + "\"d\"=hex(zz):00\n", 8},
                    Damage{"UnknownLine", kGood + "garbage here\n", 8},
                    Damage{"UnterminatedKey", kGood + "[Bad\\\\Key\n\"v\"=\"x\"\n", 8},
                    Damage{"ValueWithoutKey", kHeader + "\"v\"=\"x\"\n", 5},
                    Damage{"BinaryJunk", kGood + std::string("\0\x01\xff\xfe[\x80", 6) + "\n", 8},
                    Damage{"TrailingBackslash", kGood + "\"s\"=\"abc\\", 8}),
    [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST(HiveFormat, AbsurdlyDeepKeyIsRefusedNotFollowedIntoAStackOverflow) {
    std::string path;
    for (int i = 0; i < 200000; ++i)
        path += i ? "\\\\a" : "a";
    const auto hive = parse(kGood + "[" + path + "]\n\"v\"=dword:1\n");
    ASSERT_TRUE(hive->problem);
    EXPECT_EQ(hive->problem->line, 8u);
    EXPECT_NE(hive->problem->text.find("too deep"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::platform::wineprefix
