#include <gtest/gtest.h>

#include <locale>
#include <random>
#include <thread>

#include "core/environment/BuiltContext.h"
#include "core/environment/HiddenText.h"
#include "core/files/FileTimes.h"
#include "core/files/RunAndWait.h"
#include "core/paths/PathUtils.h"
#include "platform/RegistryNames.h"

namespace quorvel::core {
namespace {

using platform::RegValue;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;
using testsupport::BuiltContext;
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

    // The upper-case form upper-cases all but the last inserted folder.
    g = sampleGlobals();
    const Rows upper = {
        {"%SystemRoot%\\system32\\x.dll", "C:\\WINDOWS\\SYSTEM32\\X.DLL"},
        {"%tmp%\\abc", "C:\\users\\ann\\Temp\\ABC"},
        {"%appdata%\\x", "%APPDATA%\\X"},  // not in the short list
    };
    for (const auto& [in, out] : upper)
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

class CommandTarget : public ::testing::Test {
protected:
    CommandTarget() {
        builder.file("C:\\Program Files\\App\\app.exe", 10);
        builder.folder("C:\\Program Files\\App\\Data Folder");
        builder.file("C:\\windows\\system32\\rundll32.exe", 10);
        builder.file("C:\\windows\\notepad.exe", 10);
        builder.file("C:\\windows\\my tool.exe", 10);
        builder.file("C:\\windows\\syswow64\\only32.dll", 1);
        builder.drive('D', cdFolder.path(), platform::DriveType::CdRom);
        built = std::make_unique<BuiltContext>(builder);
    }

    TempDir cdFolder;
    MachineBuilder builder;
    std::unique_ptr<BuiltContext> built;
};

TEST_F(CommandTarget, CommandLineForms) {
    const std::tuple<const char*, bool, bool> rows[] = {
        // line, cut at commas, exists
        // Unquoted with a drive: cut at blanks and quotes, ".exe" added, any letter case.
        {"  C:\\Program Files\\App\\app.exe  ", false, true},
        {"C:\\Program Files\\App\\app -a  b", false, true},
        {"C:\\Program Files\\App\\missing.exe /s", false, false},
        // Once a cut was made, a folder is no program; before any cut it counts.
        {"C:\\Program Files\\App arguments", false, false},
        {"C:\\Program Files\\App\\Data Folder", false, true},
        // Cutting at commas only when asked.
        {"rundll32 shell32.dll,Control_RunDLL", true, true},
        {"C:\\windows\\system32\\rundll32.exe,1", true, true},
        {"C:\\windows\\system32\\rundll32.exe,1", false, false},
        // Bare names are searched for.
        {"my tool -x", false, true},
        {"nosuch program here", false, false},
        // Quoted names: relative, short, unclosed; the quotes may hold everything.
        {"\"my tool\" -x", false, true},
        {"\"C:\\PROGRA~1\\App\\app.exe\"", false, true},
        {"\"C:\\Program Files\\App\\app.exe", false, true},
        {"\"C:\\Program Files\\App\\app.exe /s\"", false, false},
        {"\"missing\"", false, false},
        // A CD drive is never looked at: its programs count as present.
        {"D:\\tools\\x.exe", false, true},
    };
    for (const auto& [line, cutAtComma, exists] : rows)
        EXPECT_EQ(CommandTargetExists(built->context(), line, cutAtComma), exists) << line;
}

TEST_F(CommandTarget, PathExistsFormsAndSystemFolderViews) {
    const std::tuple<const char*, bool, bool> rows[] = {
        // path, files only, exists
        {"D:\\", true, true},
        {"\\\\server\\share\\x.exe", true, true},
        {"C:\\nothing.exe", false, false},
        {"C:\\Program Files\\App", false, true},
        {"C:\\Program Files\\App", true, false},
        // A file only in the 32-bit system folder is found through system32, any case.
        {"c:\\WINDOWS\\System32\\only32.dll", true, true},
        {"C:\\windows\\system32\\nowhere.dll", true, false},
        {"C:\\windows\\only32.dll", true, false},
    };
    for (const auto& [path, filesOnly, exists] : rows)
        EXPECT_EQ(PathExists(built->context(), path, filesOnly), exists) << path;
}

TEST(ProtectedPath, CachesAndInstallerSourcesBelowTemp) {
    const std::string uninstall = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    MachineBuilder b;
    b.folder("C:\\users\\tester\\Temp\\setup-unpacked");
    b.value(uninstall + "InTemp", "InstallSource",
            RegValue::string("C:\\users\\tester\\Temp\\setup-unpacked\\"));
    b.value(uninstall + "InWinTemp", "InstallSource", RegValue::string("C:\\windows\\Temp\\pkg*"));
    b.value(uninstall + "Elsewhere", "InstallSource", RegValue::string("C:\\Install\\"));
    b.value(uninstall + "Empty", "InstallSource", RegValue::string(""));
    b.value(uninstall + "NotText", "InstallSource", RegValue::dword(1));
    BuiltContext built(b);
    const std::string temp = built.globals.TempDir;
    const std::pair<std::string, bool> rows[] = {
        {temp + "Cookies", true},
        {temp + "COOKIES\\", true},
        {"C:\\windows\\TEMP\\History", true},
        {temp, false},
        {temp + "Cookies\\sub", false},
        {"c:\\users\\tester\\temp\\setup-unpacked\\", true},
        {"C:\\windows\\Temp\\pkg123", true},  // the entry is a mask
        {"C:\\users\\tester\\Temp\\setup", false},
    };
    for (const auto& [folder, expected] : rows)
        EXPECT_EQ(IsProtectedPath(built.context(), folder), expected) << folder;

    // The list is filled once, whichever thread asks first.
    BuiltContext fresh(b);
    std::vector<std::thread> threads;
    std::vector<int> answers(8, -1);
    for (std::size_t i = 0; i < answers.size(); ++i)
        threads.emplace_back([&, i] {
            answers[i] = IsProtectedPath(fresh.context(), "C:\\windows\\Temp\\pkg1") ? 1 : 0;
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(answers, std::vector<int>(8, 1));
    const auto& first = fresh.protectedFolders.folders(fresh.machine(), fresh.globals);
    EXPECT_EQ(&first, &fresh.protectedFolders.folders(fresh.machine(), fresh.globals));
}

// Texts from data files and the registry can be anything: the text helpers must take every
// byte sequence without crashing, hanging or reading out of bounds.
std::string noise(std::mt19937& rng, std::size_t maxLength) {
    static constexpr std::string_view kAlphabet = "%\\/:*?\" ,.~abcAPPSYS32TEMP\x01\xff";
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string s(length(rng), ' ');
    for (auto& c : s)
        c = kAlphabet[pick(rng)];
    return s;
}

TEST_F(CommandTarget, DamagedTextsNeverCrashOrHang) {
    std::mt19937 rng(12345);
    TGlobalVars g;
    g.WinDir = "C:\\windows\\";
    g.SystemDir = "C:\\windows\\system32\\";
    g.TempDir = "%TEMP%\\";  // a folder that contains a variable must not loop
    std::vector<std::string> texts = {
        "",  " ",  "\"",   "\"\"",    "/",
        ",", "C:", "C:\\", "   \t  ", "a b c d e f g h i j k l m n o p q r s t u v w x y z"};
    for (int i = 0; i < 2000; ++i)
        texts.push_back(noise(rng, 40));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& a = texts[i];
        const std::string b = noise(rng, 12);
        (void)ExpandPathVars(g, a);
        (void)ExpandPathVarsUpper(g, a);
        (void)MatchesMask(a, b);
        (void)DecodeHidden(a);
        (void)CompareDateTimeTexts(a, b);
        (void)SplitArguments(a);
        (void)TextBefore(b, a);
        (void)TextAfterLast(b, a, true);
        (void)ExtractFileDrive(a);
        (void)platform::parseRootedKeyPath(a);
        if (i < 10 || i % 10 == 0)
            for (const bool cutAtComma : {true, false})
                (void)CommandTargetExists(built->context(), a, cutAtComma);
    }
    EXPECT_EQ(ExpandPathVars(g, "%TEMP%\\x"), "%TEMP%\\x");
    const std::string longLine =
        "C:\\" + std::string(2000, 'x') + " " + std::string(2000, ' ') + "y";
    EXPECT_FALSE(CommandTargetExists(built->context(), longLine, false));
}

}  // namespace
}  // namespace quorvel::core
