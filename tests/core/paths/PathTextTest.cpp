#include <gtest/gtest.h>

#include <locale>

#include "core/paths/PathUtils.h"

namespace quorvel::core {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

TGlobalVars sampleGlobals() {
    TGlobalVars g;
    g.WinDir = "C:\\windows\\";
    g.SystemDir = "C:\\windows\\system32\\";
    g.ProgramFiles = "C:\\Program Files\\";
    g.AppData = "C:\\users\\ann\\AppData\\Roaming\\";
    g.TempDir = "C:\\users\\ann\\Temp\\";
    g.AllUsersProfile = "C:\\ProgramData\\";
    return g;
}

TEST(ExpandPathVars, VariablesIgnoringCaseShortOnesNotInsideLongerOnes) {
    auto g = sampleGlobals();
    const Rows rows = {
        {"%sys32%\\drivers\\etc\\hosts", "C:\\windows\\system32\\drivers\\etc\\hosts"},
        {"%Temp%\\a;%tmp%\\b", "C:\\users\\ann\\Temp\\a;C:\\users\\ann\\Temp\\b"},
        {"%APP%\\x %app%\\y", "C:\\Program Files\\x C:\\Program Files\\y"},
        {"%WINDIR%x", "%WINDIR%x"},  // without the backslash it is no path variable
        // "%SYS%\" comes before "%SYSTEMDIRECTORY%\" but must not match inside it.
        {"%SYSTEMDIRECTORY%\\a.dll", "C:\\windows\\system32\\a.dll"},
        {"%ALLUSRPROFILE%\\x", "C:\\ProgramData\\x"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(ExpandPathVars(g, in), out) << in;

    // An inserted folder that holds an already handled variable is not expanded again.
    g.TempDir = "C:\\%APP%\\t\\";
    EXPECT_EQ(ExpandPathVars(g, "%TEMP%\\x"), "C:\\%APP%\\t\\x");
}

TEST(ExpandPathVarsUpper, UpperCasesAllButTheLastInsertedFolder) {
    const auto g = sampleGlobals();
    const Rows rows = {
        {"%SystemRoot%\\system32\\x.dll", "C:\\WINDOWS\\SYSTEM32\\X.DLL"},
        {"%tmp%\\abc", "C:\\users\\ann\\Temp\\ABC"},
        {"%appdata%\\x", "%APPDATA%\\X"},  // not in the short list
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(ExpandPathVarsUpper(g, in), out) << in;
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(FormatSize, UnitBoundariesAndLocaleSeparators) {
    const std::locale c = std::locale::classic();
    const std::vector<std::pair<std::int64_t, std::string>> rows = {
        {0, "0 Byte"},        {-5, "-5 Byte"},          {INT64_MIN, "-9223372036854775808 Byte"},
        {1024, "1.00 KB"},    {1048575, "1,024.00 KB"}, {1048576, "1.00 MB"},
        {1536000, "1.46 MB"}, {1073741824, "1.00 GB"},  {INT64_MAX, "8,589,934,592.00 GB"},
    };
    for (const auto& [size, text] : rows)
        EXPECT_EQ(FormatSize(size, c), text) << size;
    EXPECT_EQ(FormatSize(1048575), "1,024.00 KB");  // no user locale: default separators

    const std::locale german(std::locale::classic(), new CommaDecimal);
    EXPECT_EQ(FormatSize(1536000, german), "1,46 MB");
    EXPECT_EQ(FormatSize(1048575, german), "1.024,00 KB");
}

TEST(MatchesMask, WildcardsAndCase) {
    const std::vector<std::tuple<std::string, std::string, bool>> rows = {
        {"c:\\temp\\cookies", "C:\\TEMP\\Cookies", true},
        {"c:\\temp\\setup12", "c:\\temp\\setup*", true},
        {"", "*", true},
        {"abcd", "a?c", false},
        {"c:\\temp\\cookies\\x", "c:\\temp\\cookies", false},
        {"aXbXc", "*b*c", true},
        {"aXbXd", "*b*c", false},
        // Many stars against a long non-matching text must finish quickly.
        {std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*b", false},
    };
    for (const auto& [text, mask, matches] : rows)
        EXPECT_EQ(MatchesMask(text, mask), matches) << text.substr(0, 20) << " ~ " << mask;
}

TEST(PathText, TextPartsAndDrives) {
    EXPECT_EQ(TextBefore(",", "a,b", true), "a,");
    EXPECT_EQ(TextAfter("\\", "C:\\a\\b.txt"), "a\\b.txt");
    EXPECT_EQ(TextAfterLast("\\", "C:\\a\\b.txt", true), "\\b.txt");
    EXPECT_EQ(TextAfterLast("::", "no delimiter"), "no delimiter");
    EXPECT_EQ(TextAfter("", "text"), "text");

    const Rows drives = {{"c:\\x\\y", "c:"},
                         {"\\\\server\\share\\dir\\f", "\\\\server\\share"},
                         {"\\\\server", "\\\\server"},
                         {"relative\\x", ""}};
    for (const auto& [path, drive] : drives)
        EXPECT_EQ(ExtractFileDrive(path), drive) << path;
}

}  // namespace
}  // namespace quorvel::core
