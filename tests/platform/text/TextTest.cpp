#include <gtest/gtest.h>

#include "platform/RegistryTypes.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/Unicode.h"

namespace qt = quorvel::platform::text;
using quorvel::platform::RegValue;

TEST(Unicode, RoundTripsAstralAndLoneSurrogates) {
    const std::u16string units{u'A', 0xD83D, 0xDE00, 0xD800, u'z', 0xDC00};
    EXPECT_EQ(qt::utf8ToUtf16(qt::utf16ToUtf8(units)), units);
    EXPECT_EQ(qt::utf16ToUtf8(u"\u00e9"), "\xc3\xa9");
}

TEST(Unicode, InvalidUtf8BecomesReplacementAndIsDetected) {
    EXPECT_FALSE(qt::isValidUtf8("abc\xff"));
    EXPECT_FALSE(qt::isValidUtf8("\xc3"));
    EXPECT_TRUE(qt::isValidUtf8("Gr\xc3\xbc\xc3\x9f"));
    EXPECT_EQ(qt::utf8ToUtf16("a\xff"), (std::u16string{u'a', 0xFFFD}));
    EXPECT_EQ(qt::cp1252ToUtf8("\x80\xfc"), "\xe2\x82\xac\xc3\xbc");
}

TEST(CaseInsensitive, AsciiOnlyFolding) {
    EXPECT_TRUE(qt::iequals("HKEY_Local_Machine", "hkey_local_machine"));
    EXPECT_FALSE(qt::iequals("\xc3\x84", "\xc3\xa4"));  // non-ASCII bytes are left alone
    EXPECT_EQ(qt::ifind("C:\\Windows\\TEMP", "temp"), 11u);
    EXPECT_LT(qt::icompare("abc", "ABD"), 0);
    EXPECT_EQ(qt::IHash{}("Run"), qt::IHash{}("RUN"));
}

TEST(RegValue, StringsKeepTerminatorAndStopAtFirstNul) {
    const auto v = RegValue::string("x\xc3\xa9");
    EXPECT_EQ(v.data, (std::vector<std::uint8_t>{'x', 0, 0xe9, 0, 0, 0}));
    EXPECT_EQ(v.asString(), "x\xc3\xa9");
    RegValue noTerminator = RegValue::binary({'a', 0, 'b', 0}, quorvel::platform::regtype::Sz);
    EXPECT_EQ(noTerminator.asString(), "ab");
    EXPECT_FALSE(RegValue::dword(1).asString());
}

TEST(RegValue, MultiStringStopsAtEmptyItemAndNumbersNeedExactSize) {
    const auto m = RegValue::multiString({"a", "bc"});
    EXPECT_EQ(m.asMultiString(), (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(RegValue::dword(0x01020304).asDword(), 0x01020304u);
    EXPECT_EQ(RegValue::qword(0x1122334455667788ULL).asQword(), 0x1122334455667788ULL);
    EXPECT_FALSE(RegValue::binary({1, 2, 3}, quorvel::platform::regtype::Dword).asDword());
}
