#include <gtest/gtest.h>

#include <locale>

#include "core/paths/PathUtils.h"

namespace quorvel::core {
namespace {

TGlobalVars sampleGlobals() {
    TGlobalVars g;
    g.WinDir = "C:\\windows\\";
    g.SystemDir = "C:\\windows\\system32\\";
    g.ProgramFiles = "C:\\Program Files\\";
    g.CommonFiles = "C:\\Program Files\\Common Files\\";
    g.AppData = "C:\\users\\ann\\AppData\\Roaming\\";
    g.TempDir = "C:\\users\\ann\\Temp\\";
    g.UserProfile = "C:\\users\\ann\\";
    g.AllUsersProfile = "C:\\ProgramData\\";
    return g;
}

TEST(ExpandPathVars, ReplacesEveryVariableIgnoringCase) {
    const auto g = sampleGlobals();
    EXPECT_EQ(ExpandPathVars(g, "%sys32%\\drivers\\etc\\hosts"),
              "C:\\windows\\system32\\drivers\\etc\\hosts");
    EXPECT_EQ(ExpandPathVars(g, "%SYSTEMDRIVE%\\boot.ini"), "C:\\boot.ini");
    EXPECT_EQ(ExpandPathVars(g, "%HomeDrive%\\x"), "C:\\x");
    EXPECT_EQ(ExpandPathVars(g, "%Temp%\\a;%tmp%\\b"),
              "C:\\users\\ann\\Temp\\a;C:\\users\\ann\\Temp\\b");
    EXPECT_EQ(ExpandPathVars(g, "%APP%\\x %app%\\y"), "C:\\Program Files\\x C:\\Program Files\\y");
    // Without the trailing backslash a variable is not a path variable.
    EXPECT_EQ(ExpandPathVars(g, "%WINDIR%x"), "%WINDIR%x");
    EXPECT_EQ(ExpandPathVars(g, ""), "");
}

TEST(ExpandPathVars, ShortVariablesDoNotEatLongerOnes) {
    const auto g = sampleGlobals();
    // "%SYS%\" comes before "%SYSTEMDIRECTORY%\" but must not match inside it.
    EXPECT_EQ(ExpandPathVars(g, "%SYSTEMDIRECTORY%\\a.dll"), "C:\\windows\\system32\\a.dll");
    EXPECT_EQ(ExpandPathVars(g, "%APPDATA%\\x"), "C:\\users\\ann\\AppData\\Roaming\\x");
    EXPECT_EQ(ExpandPathVars(g, "%ALLUSRPROFILE%\\x"), "C:\\ProgramData\\x");
}

TEST(ExpandPathVars, InsertedFolderIsNotExpandedByAnEarlierVariable) {
    auto g = sampleGlobals();
    // A folder that itself contains an already handled variable stays as it is.
    g.TempDir = "C:\\%APP%\\t\\";
    EXPECT_EQ(ExpandPathVars(g, "%TEMP%\\x"), "C:\\%APP%\\t\\x");
}

TEST(ExpandPathVarsUpper, UpperCasesAllButTheLastInsertedFolder) {
    const auto g = sampleGlobals();
    EXPECT_EQ(ExpandPathVarsUpper(g, "%SystemRoot%\\system32\\x.dll"),
              "C:\\WINDOWS\\SYSTEM32\\X.DLL");
    EXPECT_EQ(ExpandPathVarsUpper(g, "%tmp%\\abc"), "C:\\users\\ann\\Temp\\ABC");
    // Variables outside the short list stay (upper-cased).
    EXPECT_EQ(ExpandPathVarsUpper(g, "%appdata%\\x"), "%APPDATA%\\X");
}

TEST(FormatSize, BoundariesWithClassicLocale) {
    const std::locale c = std::locale::classic();
    EXPECT_EQ(FormatSize(0, c), "0 Byte");
    EXPECT_EQ(FormatSize(1023, c), "1023 Byte");
    EXPECT_EQ(FormatSize(-5, c), "-5 Byte");
    EXPECT_EQ(FormatSize(INT64_MIN, c), "-9223372036854775808 Byte");
    EXPECT_EQ(FormatSize(1024, c), "1.00 KB");
    EXPECT_EQ(FormatSize(1048575, c), "1,024.00 KB");
    EXPECT_EQ(FormatSize(1048576, c), "1.00 MB");
    EXPECT_EQ(FormatSize(1536000, c), "1.46 MB");
    EXPECT_EQ(FormatSize(1073741824, c), "1.00 GB");
    EXPECT_EQ(FormatSize(INT64_MAX, c), "8,589,934,592.00 GB");
}

TEST(FormatSize, DefaultSeparatorsWithoutAUserLocale) {
    EXPECT_EQ(FormatSize(1536000), "1.46 MB");
    EXPECT_EQ(FormatSize(1048575), "1,024.00 KB");
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(FormatSize, UsesTheLocaleSeparators) {
    const std::locale german(std::locale::classic(), new CommaDecimal);
    EXPECT_EQ(FormatSize(1536000, german), "1,46 MB");
    EXPECT_EQ(FormatSize(1048575, german), "1.024,00 KB");
    EXPECT_EQ(FormatSize(1023, german), "1023 Byte");
}

TEST(MatchesMask, WildcardsAndCase) {
    EXPECT_TRUE(MatchesMask("c:\\temp\\cookies", "C:\\TEMP\\Cookies"));
    EXPECT_TRUE(MatchesMask("c:\\temp\\setup12", "c:\\temp\\setup*"));
    EXPECT_TRUE(MatchesMask("abc", "a?c"));
    EXPECT_TRUE(MatchesMask("abc", "*"));
    EXPECT_TRUE(MatchesMask("", "*"));
    EXPECT_FALSE(MatchesMask("abcd", "a?c"));
    EXPECT_FALSE(MatchesMask("c:\\temp\\cookies\\x", "c:\\temp\\cookies"));
    EXPECT_TRUE(MatchesMask("aXbXc", "*b*c"));
    EXPECT_FALSE(MatchesMask("aXbXd", "*b*c"));
    // Many stars against a long non-matching text must finish quickly.
    EXPECT_FALSE(MatchesMask(std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*b"));
}

TEST(RootKeyNames, BothDirectionsAndFallbacks) {
    using platform::RootKey;
    EXPECT_EQ(RootKeyName(RootKey::LocalMachine), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RootKeyName(RootKey::DynData), "HKEY_DYN_DATA");
    EXPECT_EQ(RootKeyName(RootKey::PerformanceData), "HKEY_CURRENT_USER");
    EXPECT_EQ(RootKeyFromName("HKEY_CLASSES_ROOT"), RootKey::ClassesRoot);
    EXPECT_EQ(RootKeyFromName("HKEY_USERS"), RootKey::Users);
    // Long names compare exactly.
    EXPECT_EQ(RootKeyFromName("hkey_local_machine"), RootKey::CurrentUser);
    EXPECT_EQ(RootKeyFromShortName("hklm"), RootKey::LocalMachine);
    EXPECT_EQ(RootKeyFromShortName("Hkcc"), RootKey::CurrentConfig);
    EXPECT_EQ(RootKeyFromShortName("HKEY_LOCAL_MACHINE"), RootKey::CurrentUser);
}

TEST(TextParts, FirstAndLastOccurrence) {
    EXPECT_EQ(TextBefore(",", "shell32.dll,Control_RunDLL"), "shell32.dll");
    EXPECT_EQ(TextBefore(",", "a,b", true), "a,");
    EXPECT_EQ(TextAfter("\\", "C:\\a\\b.txt"), "a\\b.txt");
    EXPECT_EQ(TextAfter("\\", "C:\\a\\b.txt", true), "\\a\\b.txt");
    EXPECT_EQ(TextAfterLast("\\", "C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(TextAfterLast("\\", "C:\\a\\b.txt", true), "\\b.txt");
    EXPECT_EQ(TextBefore("::", "no delimiter"), "no delimiter");
    EXPECT_EQ(TextAfterLast("::", "no delimiter"), "no delimiter");
    EXPECT_EQ(TextAfter("", "text"), "text");
}

TEST(ExtractFileDrive, LettersAndShares) {
    EXPECT_EQ(ExtractFileDrive("c:\\x\\y"), "c:");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\f"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileDrive("\\\\server"), "\\\\server");
    EXPECT_EQ(ExtractFileDrive("relative\\x"), "");
    EXPECT_EQ(ExtractFileDrive(""), "");
}

}  // namespace
}  // namespace quorvel::core
