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
    struct Row {
        const char* line;
        bool cutAtComma;
        bool exists;
    };
    const Row rows[] = {
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
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        EXPECT_EQ(CommandTargetExists(built->context(), r.line, r.cutAtComma), r.exists);
    }
}

TEST_F(CommandTarget, PathExistsFormsAndSystemFolderViews) {
    struct Row {
        const char* path;
        bool filesOnly;
        bool exists;
    };
    const Row rows[] = {
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
    for (const auto& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(PathExists(built->context(), r.path, r.filesOnly), r.exists);
    }
}

TEST_F(CommandTarget, DamagedCommandLinesDoNotCrash) {
    for (const char* text : {"", " ", "\"", "\"\"", "/", ",", "C:", "C:\\", "   \t  ",
                             "a b c d e f g h i j k l m n o p q r s t u v w x y z"}) {
        (void)CommandTargetExists(built->context(), text, true);
        (void)CommandTargetExists(built->context(), text, false);
    }
    const std::string longLine =
        "C:\\" + std::string(2000, 'x') + " " + std::string(2000, ' ') + "y";
    EXPECT_FALSE(CommandTargetExists(built->context(), longLine, false));
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

}  // namespace
}  // namespace quorvel::core
