#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/wineprefix/DosAttrib.h"
#include "platform/wineprefix/Wildcard.h"
#include "platform/wineprefix/WinePath.h"
#include "platform/wineprefix/WinePathShortName.h"

using namespace quorvel::platform::wineprefix;

TEST(Wildcard, MatchesAsWindowsDoesIgnoringCase) {
    // "*.*" takes names with and without an extension; a trailing dot only names without;
    // "?" is one character however many bytes it takes; no 8.3 alias matching ("*.htm").
    const struct {
        const char* name;
        const char* mask;
        bool matches;
    } rows[] = {{"readme", "*.*", true},         {"a.tar.gz", "*.*", true},
                {".profile", "*.*", true},       {"readme", "readme.*", true},
                {"anything", "*", true},         {"", "*", false},
                {"noext", "*.", true},           {"file.txt", "*.", false},
                {"a.b.c", "*.", false},          {"abc", "abc.", true},
                {"A.TXT", "?.txt", true},        {"ab.txt", "?.txt", false},
                {"\xc3\xa9.txt", "?.txt", true}, {"Report.DOC", "*.doc", true},
                {"~DF12.tmp", "~*.tmp", true},   {"page.html", "*.htm", false},
                {"x.tmpl", "*.tmp", false}};
    for (const auto& row : rows)
        EXPECT_EQ(matchesWildcard(row.name, row.mask), row.matches)
            << row.name << " ~ " << row.mask;
    // Backtracking must not explode on hostile masks.
    const std::string many(2000, 'a');
    EXPECT_FALSE(matchesWildcard(many, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(matchesWildcard(many, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*"));
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
    for (const std::string bad : {"", "relative\\path", "\\\\server\\share\\x", "1:\\x",
                                  "C:\\file.txt:stream", "C:\\*.txt", "C:\\a\tb"})
        EXPECT_FALSE(WinePath::parse(bad)) << bad;
    EXPECT_FALSE(WinePath::parse(std::string("C:\\a\0b", 6)));
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
