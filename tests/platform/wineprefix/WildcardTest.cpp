#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/wineprefix/DosAttrib.h"
#include "platform/wineprefix/Wildcard.h"
#include "platform/wineprefix/WinePath.h"
#include "platform/wineprefix/WinePathShortName.h"

using namespace quorvel::platform::wineprefix;

TEST(Wildcard, StarDotStarMatchesNamesWithAndWithoutExtension) {
    EXPECT_TRUE(matchesWildcard("readme", "*.*"));
    EXPECT_TRUE(matchesWildcard("a.tar.gz", "*.*"));
    EXPECT_TRUE(matchesWildcard(".profile", "*.*"));
    EXPECT_TRUE(matchesWildcard("readme", "readme.*"));
    EXPECT_TRUE(matchesWildcard("anything", "*"));
}

TEST(Wildcard, TrailingDotMatchesOnlyNamesWithoutADot) {
    EXPECT_TRUE(matchesWildcard("noext", "*."));
    EXPECT_FALSE(matchesWildcard("file.txt", "*."));
    EXPECT_FALSE(matchesWildcard("a.b.c", "*."));
    EXPECT_TRUE(matchesWildcard("abc", "abc."));
}

TEST(Wildcard, QuestionMarkIsOneCharacterAndCaseIsIgnored) {
    EXPECT_TRUE(matchesWildcard("A.TXT", "?.txt"));
    EXPECT_FALSE(matchesWildcard("ab.txt", "?.txt"));
    EXPECT_TRUE(matchesWildcard("\xc3\xa9.txt", "?.txt"));  // one character, two bytes
    EXPECT_TRUE(matchesWildcard("Report.DOC", "*.doc"));
    EXPECT_FALSE(matchesWildcard("page.html", "*.htm"));  // no 8.3 alias matching
    EXPECT_FALSE(matchesWildcard("x.tmpl", "*.tmp"));
    EXPECT_TRUE(matchesWildcard("~DF12.tmp", "~*.tmp"));
    EXPECT_FALSE(matchesWildcard("", "*"));
}

TEST(Wildcard, ManyStarsStayFast) {
    // Backtracking must not explode on hostile masks.
    const std::string name(2000, 'a');
    EXPECT_FALSE(matchesWildcard(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(matchesWildcard(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*"));
}

TEST(WinePathParse, NormalisesSeparatorsDotsAndDriveCase) {
    const auto p = WinePath::parse("c:/Users\\.\\me\\..\\Bob\\\\file.txt");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->toString(), "C:\\Users\\Bob\\file.txt");
    EXPECT_EQ(WinePath::parse("C:\\..\\..\\x")->toString(), "C:\\x");
    EXPECT_EQ(WinePath::parse("\\\\?\\D:\\a")->toString(), "D:\\a");
    EXPECT_TRUE(WinePath::parse("C:")->isRoot());
}

TEST(WinePathParse, RefusesWhatNoDriveCanHold) {
    EXPECT_FALSE(WinePath::parse(""));
    EXPECT_FALSE(WinePath::parse("relative\\path"));
    EXPECT_FALSE(WinePath::parse("\\\\server\\share\\x"));
    EXPECT_FALSE(WinePath::parse("1:\\x"));
    EXPECT_FALSE(WinePath::parse("C:\\file.txt:stream"));
    EXPECT_FALSE(WinePath::parse(std::string("C:\\a\0b", 6)));
    EXPECT_FALSE(WinePath::parse("C:\\*.txt"));
    EXPECT_FALSE(WinePath::parse("C:\\a\tb"));
}

TEST(ShortNames, WineAliasFollowsWinesHash) {
    // Names that are valid 8.3 names are their own alias.
    EXPECT_EQ(wineShortName("readme.txt"), "README.TXT");
    const std::string alias = wineShortName("Program Files");
    ASSERT_EQ(alias.size(), 8u);
    EXPECT_EQ(alias.substr(0, 5), "PROG~");
    const std::string withExt = wineShortName("long file name.html");
    EXPECT_EQ(withExt.substr(0, 5), "LONG~");
    EXPECT_EQ(withExt.substr(8), ".HTM");
    // The hash ignores letter case.
    EXPECT_EQ(wineShortName("Program Files"), wineShortName("PROGRAM FILES"));
}

TEST(ShortNames, NumberedAliasMatchesStemAndExtension) {
    EXPECT_TRUE(isNumberedAliasOf("PROGRA~1", "Program Files"));
    EXPECT_TRUE(isNumberedAliasOf("progra~2", "Program Files (x86)"));
    EXPECT_TRUE(isNumberedAliasOf("LONGFI~1.TXT", "long file name.txt"));
    EXPECT_FALSE(isNumberedAliasOf("LONGFI~1.DOC", "long file name.txt"));
    EXPECT_FALSE(isNumberedAliasOf("LONGFI~1", "long file name.txt"));
    EXPECT_FALSE(isNumberedAliasOf("PROGRA~X", "Program Files"));
    EXPECT_EQ(aliasNumber("PROGRA~12"), 12u);
}

TEST(DosAttribValue, ReadsWineAndSambaForms) {
    EXPECT_EQ(parseDosAttrib("0x22"), 0x22u);
    EXPECT_EQ(parseDosAttrib(std::string("0x6\0", 4)), 0x6u);
    EXPECT_FALSE(parseDosAttrib("garbage"));
    EXPECT_FALSE(parseDosAttrib(""));
    EXPECT_FALSE(parseDosAttrib("0x"));
    EXPECT_FALSE(parseDosAttrib("0x1234567890"));
    // A bare binary record, version 3: version, level, then valid flags and attributes.
    const std::string binary("\x03\x00\x03\x00\x11\x00\x00\x00\x02\x00\x00\x00", 12);
    EXPECT_EQ(parseDosAttrib(binary), 0x2u);
}

TEST(DosAttribValue, UpdateKeepsOtherBitsAndSambaRecord) {
    EXPECT_EQ(updateDosAttrib("", 0x2), "0x2");
    EXPECT_EQ(updateDosAttrib("0x20", 0x2 | 0x1), "0x22");  // archive kept, read-only not stored
    EXPECT_EQ(updateDosAttrib("0x26", 0), "0x20");
    // Samba 4: text, NUL, pad, version 3, level 3, pad, flags, attributes, then more.
    std::string samba("0x20\0\0\x03\x00\x03\x00\0\0\x11\0\0\0\x20\0\0\0\xAA\xBB", 22);
    const std::string updated = updateDosAttrib(samba, 0x2);
    EXPECT_EQ(parseDosAttrib(updated), 0x22u);
    ASSERT_GE(updated.size(), 22u);
    EXPECT_EQ(updated.substr(0, 5), std::string("0x22\0", 5));
    EXPECT_EQ(static_cast<unsigned char>(updated[16]), 0x22);   // the record's attribute field
    EXPECT_EQ(updated.substr(updated.size() - 2), "\xAA\xBB");  // the rest of the record kept
}

TEST(DosAttribValue, DamagedValuesNeverBreakReadingOrWriting) {
    const std::string samba("0x20\0\0\x03\x00\x03\x00\0\0\x11\0\0\0\x20\0\0\0\xAA\xBB", 22);
    std::vector<std::string> inputs;
    for (std::size_t n = 0; n <= samba.size(); ++n)
        inputs.push_back(samba.substr(0, n));
    for (std::size_t n = 0; n <= samba.size(); ++n)
        inputs.push_back(samba.substr(5, n));
    inputs.push_back(std::string("\x01\x00\x01\x00", 4));
    inputs.push_back(std::string("\xff\xff\xff\xff\x00", 5));
    inputs.push_back("0x" + std::string(300, 'f'));
    for (const auto& in : inputs) {
        (void)parseDosAttrib(in);
        const std::string out = updateDosAttrib(in, 0x2);
        const auto back = parseDosAttrib(out);
        ASSERT_TRUE(back) << "unreadable after update";
        EXPECT_EQ(*back & kDosAttribStoredBits, 0x2u);
    }
}
