#include <gtest/gtest.h>

#include <thread>

#include "core/environment/BuiltContext.h"
#include "core/paths/PathUtils.h"

namespace quorvel::core {
namespace {

using platform::RegValue;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;
using testsupport::BuiltContext;

class CommandTarget : public ::testing::Test {
protected:
    CommandTarget() {
        builder.file("C:\\Program Files\\App\\app.exe", 10);
        builder.file("C:\\Program Files\\App\\tool.com", 10);
        builder.folder("C:\\Program Files\\App\\Data Folder");
        builder.file("C:\\windows\\system32\\rundll32.exe", 10);
        builder.file("C:\\windows\\notepad.exe", 10);
        builder.file("C:\\windows\\my tool.exe", 10);
        builder.drive('D', cdFolder.path(), platform::DriveType::CdRom);
        built = std::make_unique<BuiltContext>(builder);
    }
    bool exists(std::string_view commandLine, bool cutAtComma = false) {
        return CommandTargetExists(built->context(), commandLine, cutAtComma);
    }

    TempDir cdFolder;
    MachineBuilder builder;
    std::unique_ptr<BuiltContext> built;
};

TEST_F(CommandTarget, UnquotedWithDriveCutsSwitchesAndArguments) {
    EXPECT_TRUE(exists("C:\\Program Files\\App\\app.exe /s"));
    EXPECT_TRUE(exists("  C:\\Program Files\\App\\app.exe  "));
    EXPECT_TRUE(exists("c:\\PROGRAM FILES\\app\\APP.EXE"));
    EXPECT_TRUE(exists("C:\\Program Files\\App\\app /s"));           // ".exe" added
    EXPECT_TRUE(exists("C:\\Program Files\\App\\app.exe -a b c"));   // cut at spaces
    EXPECT_TRUE(exists("C:\\Program Files\\App\\app -a  b"));        // cut, then ".exe"
    EXPECT_TRUE(exists("C:\\Program Files\\App\\app.exe \"arg\""));  // cut at the quote
    EXPECT_FALSE(exists("C:\\Program Files\\App\\missing.exe /s"));
    EXPECT_FALSE(exists("C:\\Program Files\\Other\\app.exe"));
}

TEST_F(CommandTarget, SpaceCuttingCountsFilesOnly) {
    // "C:\Program Files\App" is a folder: once a cut was made, a folder is no program.
    EXPECT_FALSE(exists("C:\\Program Files\\App arguments"));
    EXPECT_FALSE(exists("C:\\Program Files\\App\\Data Folder\\x y"));
    // Before any cut, an existing folder counts.
    EXPECT_TRUE(exists("C:\\Program Files\\App\\Data Folder"));
}

TEST_F(CommandTarget, CommaCutting) {
    EXPECT_TRUE(exists("rundll32.exe shell32.dll,Control_RunDLL", true));
    EXPECT_TRUE(exists("rundll32 shell32.dll,Control_RunDLL", true));
    EXPECT_TRUE(exists("C:\\windows\\system32\\rundll32.exe,1", true));
    EXPECT_FALSE(exists("C:\\windows\\system32\\rundll32.exe,1", false));
}

TEST_F(CommandTarget, BareNamesAreSearched) {
    EXPECT_TRUE(exists("notepad"));
    EXPECT_TRUE(exists("NOTEPAD.EXE /p file.txt"));
    EXPECT_TRUE(exists("my tool -x"));
    EXPECT_FALSE(exists("nosuchprogram.exe"));
    EXPECT_FALSE(exists("nosuch program here"));
}

TEST_F(CommandTarget, QuotedNames) {
    // A quoted relative name that exists only as name.exe in the Windows folder.
    EXPECT_TRUE(exists("\"notepad\" /x"));
    EXPECT_TRUE(exists("\"my tool\" -x"));
    EXPECT_TRUE(exists("\"C:\\Program Files\\App\\app.exe\" /s"));
    EXPECT_TRUE(exists("\"C:\\Program Files\\App\\app\""));
    EXPECT_TRUE(exists("\"C:\\PROGRA~1\\App\\app.exe\""));
    EXPECT_TRUE(exists("\"C:\\Program Files\\App\\app.exe"));        // no closing quote
    EXPECT_FALSE(exists("\"C:\\Program Files\\App\\app.exe /s\""));  // the quotes hold all of it
    EXPECT_FALSE(exists("\"missing\""));
}

TEST_F(CommandTarget, NonFixedDrivesAreNeverLookedAt) {
    // D: is a CD drive whose folder holds nothing: the answer is "exists" without looking.
    EXPECT_TRUE(exists("D:\\tools\\x.exe"));
    EXPECT_TRUE(exists("\"D:\\tools\\x.exe\" /s"));
    EXPECT_TRUE(PathExists(built->context(), "D:\\", true));
    EXPECT_TRUE(PathExists(built->context(), "\\\\server\\share\\x.exe", true));
    EXPECT_FALSE(PathExists(built->context(), "C:\\nothing.exe", false));
}

TEST(PathExists, SystemFolderCountsInBothViews) {
    MachineBuilder b;
    b.file("C:\\windows\\syswow64\\only32.dll", 1);
    BuiltContext c(b);
    EXPECT_TRUE(PathExists(c.context(), "C:\\windows\\system32\\only32.dll", true));
    EXPECT_TRUE(PathExists(c.context(), "c:\\WINDOWS\\System32\\only32.dll", false));
    EXPECT_FALSE(PathExists(c.context(), "C:\\windows\\system32\\nowhere.dll", true));
    EXPECT_FALSE(PathExists(c.context(), "C:\\windows\\only32.dll", true));
}

TEST_F(CommandTarget, PathExistsFilesOnly) {
    EXPECT_TRUE(PathExists(built->context(), "C:\\Program Files\\App", false));
    EXPECT_FALSE(PathExists(built->context(), "C:\\Program Files\\App", true));
    EXPECT_TRUE(PathExists(built->context(), "c:\\program files\\app\\app.exe", true));
}

TEST_F(CommandTarget, DamagedCommandLinesDoNotCrash) {
    for (const char* text : {"", " ", "\"", "\"\"", "/", ",", "C:", "C:\\", "   \t  ",
                             "a b c d e f g h i j k l m n o p q r s t u v w x y z"}) {
        (void)exists(text, true);
        (void)exists(text, false);
    }
    const std::string longLine =
        "C:\\" + std::string(2000, 'x') + " " + std::string(2000, ' ') + "y";
    EXPECT_FALSE(exists(longLine));
}

class ProtectedPath : public ::testing::Test {
protected:
    ProtectedPath() {
        const std::string uninstall =
            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
        builder.folder("C:\\users\\tester\\Temp\\setup-unpacked");
        builder.value(uninstall + "InTemp", "InstallSource",
                      RegValue::string("C:\\users\\tester\\Temp\\setup-unpacked\\"));
        builder.value(uninstall + "InWinTemp", "InstallSource",
                      RegValue::string("C:\\windows\\Temp\\pkg*"));
        builder.value(uninstall + "Elsewhere", "InstallSource", RegValue::string("C:\\Install\\"));
        builder.value(uninstall + "Empty", "InstallSource", RegValue::string(""));
        builder.value(uninstall + "NotText", "InstallSource", RegValue::dword(1));
        built = std::make_unique<BuiltContext>(builder);
    }
    bool isProtected(std::string_view folder) { return IsProtectedPath(built->context(), folder); }

    MachineBuilder builder;
    std::unique_ptr<BuiltContext> built;
};

TEST_F(ProtectedPath, BrowserCachesBelowTheTemporaryFolders) {
    const std::string temp = built->globals.TempDir;
    EXPECT_TRUE(isProtected(temp + "Cookies"));
    EXPECT_TRUE(isProtected(temp + "Cookies\\"));
    EXPECT_TRUE(isProtected(temp + "COOKIES"));
    EXPECT_TRUE(isProtected(temp + "Temporary Internet Files\\"));
    EXPECT_TRUE(isProtected("C:\\windows\\TEMP\\History"));
    EXPECT_FALSE(isProtected(temp));
    EXPECT_FALSE(isProtected(temp + "Cookies\\sub"));
    EXPECT_FALSE(isProtected(temp + "Other"));
    EXPECT_FALSE(isProtected(""));
}

TEST_F(ProtectedPath, InstallerSourcesUnpackedIntoTemp) {
    EXPECT_TRUE(isProtected("C:\\users\\tester\\Temp\\setup-unpacked"));
    EXPECT_TRUE(isProtected("c:\\users\\tester\\temp\\setup-unpacked\\"));
    EXPECT_TRUE(isProtected("C:\\windows\\Temp\\pkg123"));  // the entry is a mask
    EXPECT_FALSE(isProtected("C:\\Install"));
    EXPECT_FALSE(isProtected("C:\\users\\tester\\Temp\\setup"));
}

TEST_F(ProtectedPath, FilledOnceForAllThreads) {
    std::vector<std::thread> threads;
    std::vector<int> answers(8, -1);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] {
            answers[static_cast<std::size_t>(i)] =
                isProtected("C:\\users\\tester\\Temp\\setup-unpacked") ? 1 : 0;
        });
    for (auto& t : threads)
        t.join();
    for (int a : answers)
        EXPECT_EQ(a, 1);
    // The list is kept: every later ask gets the same list.
    const auto& first = built->protectedFolders.folders(built->machine(), built->globals);
    EXPECT_EQ(&first, &built->protectedFolders.folders(built->machine(), built->globals));
}

}  // namespace
}  // namespace quorvel::core
