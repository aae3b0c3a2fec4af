#include <gtest/gtest.h>

#include <vector>

#include "platform/wineprefix/WineEnvironment.h"
#include "support/MachineBuilder.h"
#include "support/TempDir.h"

using namespace quorvel::platform;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;

namespace {

std::string var(Environment& env, std::string_view name) {
    return env.variable(name).value_or("<unset>");
}

}  // namespace

TEST(WineEnvironment, DerivesTheProcessEnvironmentFromTheHives) {
    MachineBuilder b;
    auto m = b.build();
    auto& env = m->environment();
    const std::pair<const char*, const char*> rows[] = {
        {"APPDATA", "C:\\users\\tester\\AppData\\Roaming"},
        {"LOCALAPPDATA", "C:\\users\\tester\\AppData\\Local"},
        {"ProgramFiles", "C:\\Program Files"},
        {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
        {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
        {"windir", "C:\\windows"},
        {"SystemRoot", "C:\\windows"},
        {"SystemDrive", "C:"},
        // The user's key overrides the machine's %SystemRoot%\temp.
        {"TEMP", "C:\\users\\tester\\Temp"},
        {"TMP", "C:\\users\\tester\\Temp"},
        {"ALLUSERSPROFILE", "C:\\ProgramData"},
        {"USERPROFILE", "C:\\users\\tester"},
        {"HOMEDRIVE", "C:"},
        {"USERNAME", "tester"},
        {"ComSpec", "C:\\windows\\system32\\cmd.exe"},
        // Expanded, and found under any spelling of its name.
        {"path", "C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem"},
        {"NOT_THERE", "<unset>"}};
    for (const auto& [name, value] : rows)
        EXPECT_EQ(var(env, name), value) << name;
    EXPECT_EQ(env.userName(), "tester");
    EXPECT_EQ(env.windowsDirectory(), "C:\\windows");
    EXPECT_EQ(env.systemDirectory(), "C:\\windows\\system32");
}

TEST(WineEnvironment, UserPathIsAppendedAndExpansionKeepsUnknownNames) {
    MachineBuilder b;
    b.value("HKCU\\Environment", "Path", RegValue::string("%USERPROFILE%\\bin", regtype::ExpandSz));
    b.value("HKCU\\Environment", "ODD",
            RegValue::string("%NOPE%;100%;%USERNAME%", regtype::ExpandSz));
    auto m = b.build();
    auto& env = m->environment();
    EXPECT_EQ(
        var(env, "PATH"),
        "C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem;C:\\users\\tester\\bin");
    EXPECT_EQ(var(env, "ODD"), "%NOPE%;100%;tester");
}

TEST(WineEnvironment, FallsBackToTheProfileListWithoutVolatileEnvironment) {
    MachineBuilder b;
    b.removeKey("HKCU\\Volatile Environment");
    b.value(
        "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-0-0-0-1000",
        "ProfileImagePath", RegValue::string("C:\\users\\Someone Else"));
    b.removeKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
    b.removeKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    auto m = b.build();
    auto& env = m->environment();
    EXPECT_EQ(env.userName(), "Someone Else");
    EXPECT_EQ(var(env, "USERPROFILE"), "C:\\users\\Someone Else");
    EXPECT_EQ(var(env, "APPDATA"), "C:\\users\\Someone Else\\AppData\\Roaming");
    EXPECT_EQ(var(env, "HOMEPATH"), "\\users\\Someone Else");
}

// winecfg's per-user choice wins over the registry's numbers; Windows 10 keeps "6.3" in
// CurrentVersion and the truth in dwords.
TEST(WineEnvironment, VersionFromWineSettingThenCurrentVersion) {
    const std::string nt = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion";
    const struct {
        const char* wineVersion;  // HKCU\Software\Wine "Version", or none
        bool win10;               // the numbers Windows 10 writes, and a bad machine setting
        unsigned major, minor, build, platformId;
        const char* servicePack;
    } rows[] = {{nullptr, false, 6, 1, 7601, 2, "Service Pack 1"},
                {"winxp", false, 5, 1, 2600, 2, "Service Pack 3"},
                {nullptr, true, 10, 0, 19045, 2, nullptr},
                {"win98", false, 4, 10, 2222, 1, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.major);
        MachineBuilder b;
        if (row.wineVersion)
            b.value("HKCU\\Software\\Wine", "Version", RegValue::string(row.wineVersion));
        if (row.win10) {
            b.value(nt, "CurrentMajorVersionNumber", RegValue::dword(10));
            b.value(nt, "CurrentVersion", RegValue::string("6.3"));
            b.value(nt, "CurrentBuildNumber", RegValue::string("19045"));
            b.value("HKLM\\Software\\Wine", "Version", RegValue::string("not-a-version"));
        }
        const auto v = b.build()->environment().version();
        EXPECT_EQ(v.platformId, row.platformId);
        EXPECT_EQ(v.major, row.major);
        EXPECT_EQ(v.minor, row.minor);
        EXPECT_EQ(v.build, row.build);
        if (row.servicePack) {
            EXPECT_EQ(v.servicePack, row.servicePack);
        }
    }
}

TEST(WineEnvironment, DrivesAndTheirTypesComeFromDosdevicesAndWineDrives) {
    TempDir cd, share, disk;
    MachineBuilder b;
    b.drive('D', cd.path(), DriveType::CdRom);
    b.drive('n', share.path(), DriveType::Remote);
    b.drive('F', disk.path());
    b.value("HKLM\\Software\\Wine\\Drives", "F:", RegValue::string("HD"));
    b.value("HKLM\\Software\\Wine\\Drives", "g:", RegValue::string("floppy"));  // no link: no drive
    auto m = b.build();
    auto& env = m->environment();
    EXPECT_EQ(env.logicalDrives(), (std::vector<std::string>{"C:\\", "D:\\", "F:\\", "N:\\"}));
    EXPECT_EQ(env.driveType("C:\\"), DriveType::Fixed);
    EXPECT_EQ(env.driveType("d:\\"), DriveType::CdRom);
    EXPECT_EQ(env.driveType("N:"), DriveType::Remote);
    EXPECT_EQ(env.driveType("F:\\"), DriveType::Fixed);
    EXPECT_EQ(env.driveType("G:\\"), DriveType::NoRootDir);
    EXPECT_EQ(env.driveType("C:\\windows"), DriveType::NoRootDir);
    EXPECT_EQ(env.driveType(""), DriveType::NoRootDir);
}

TEST(WineEnvironment, LongPathNameLeavesMissingPathsAlone) {
    MachineBuilder b;
    auto m = b.build();
    EXPECT_EQ(m->environment().longPathName("C:\\PROGRA~1\\COMMON~1"),
              "C:\\Program Files\\Common Files");
    EXPECT_EQ(m->environment().longPathName("C:\\NOSUCH~1"), "C:\\NOSUCH~1");
}

TEST(WineEnvironment, OddRegistryValuesFallBackInsteadOfBreaking) {
    MachineBuilder b;
    const std::string nt = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion";
    b.value(nt, "SystemRoot", RegValue::dword(7));  // not a string
    b.value(nt, "CurrentVersion", RegValue::string("x.y"));
    b.value(nt, "CurrentBuildNumber", RegValue::string(""));
    b.value(nt + "\\ProfileList\\S-1-5-21-0-0-0-1000", "ProfileImagePath", RegValue::string("C:"));
    b.removeKey("HKCU\\Volatile Environment");
    b.value("HKCU\\Environment", "LOOP", RegValue::string("%LOOP%%LOOP%", regtype::ExpandSz));
    b.value("HKLM\\Software\\Wine\\Drives", "c:", RegValue::binary({1, 2, 3}));
    auto m = b.build();
    auto& env = m->environment();
    EXPECT_EQ(env.windowsDirectory(), "C:\\windows");
    EXPECT_EQ(env.version().major, 6u);  // unreadable numbers keep the defaults
    EXPECT_EQ(env.version().build, 7601u);
    EXPECT_EQ(var(env, "USERPROFILE"), "C:");
    EXPECT_EQ(var(env, "LOOP"), "%LOOP%%LOOP%");  // expanded once, never recursively
    EXPECT_EQ(env.driveType("C:\\"), DriveType::Fixed);
    EXPECT_EQ(env.userName(), "");
}
