#include "ScanFixture.h"

#include <algorithm>

namespace quorvel::registry::checktests {
namespace {

const std::string kExplorer = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
const std::string kCurrentVersion = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion";

class AppChecks : public ScanFixture {
protected:
    void SetUp() override {
        builder.file("C:\\windows\\system32\\rundll32.exe", "MZ");
        builder.file("C:\\windows\\system32\\msiexec.exe", "MZ");
        builder.file("C:\\Tools\\tool.exe", "MZ");
        builder.file("C:\\Shared\\used.dll", "MZ");
    }
};

TEST_F(AppChecks, EmptySoftwareKeys) {
    builder.key("HKCU\\Software\\EmptyVendor\\Sub\\Deeper");
    builder.key("HKCU\\Software\\Policies");
    builder.value("HKLM\\Software\\FullVendor\\Sub\\Deeper", "v", Sz("x"));
    builder.key("HKLM\\Software\\EmptyToo");

    const auto found = run(CheckEmptySoftwareKeys);
    EXPECT_EQ(one(found, "\\software\\EmptyVendor").RootKey, RootKey::CurrentUser);
    expectCounts(
        found,
        {{"\\software\\EmptyToo", 1}, {"\\software\\Policies", 0}, {"\\software\\FullVendor", 0}});
}

TEST_F(AppChecks, ExplorerFileExtensions) {
    const std::string exts = kExplorer + "\\FileExts";
    builder.key(exts + "\\.aaa\\OpenWithList");
    builder.value(exts + "\\.bbb\\OpenWithProgids", "bbbfile", RegValue::binary({}));
    builder.value(exts + "\\.ccc\\UserChoice", "Progid", Sz("cccfile"));
    builder.value(exts + "\\.ddd", "Application", Sz("x.exe"));
    builder.key(exts + "\\ddecache");

    const auto found = run(CheckExplorerFileExts);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].KeyPath,
              "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.aaa");
    EXPECT_EQ(found[0].Kind, DeleteKey);
}

TEST_F(AppChecks, StartMenuOrder) {
    const std::string menu = kExplorer + "\\MenuOrder\\Start Menu2\\Programs";
    const std::string programs =
        "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
    builder.folder(programs + "\\Accessories");
    builder.folder(programs + "\\Games");
    builder.folder("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Vendor\\Tool");
    builder.key(menu + "\\Gone");
    builder.key(menu + "\\Accessories");
    builder.value(menu + "\\Games", "Order", RegValue::binary({1, 2}));
    builder.value(menu + "\\Vendor\\Tool", "Order", RegValue::binary({1}));
    builder.value(menu + "\\Vendor\\Lost", "Order", RegValue::binary({1}));

    const auto found = run(CheckStartMenuOrder);
    const std::string base =
        "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start "
        "Menu2\\Programs";
    EXPECT_EQ(one(found, base + "\\Gone").Description,
              "Start menu order of a missing folder: Gone");
    EXPECT_EQ(one(found, base + "\\Accessories").Description, "Empty registry key");
    expectCounts(found, {{base + "\\Games", 0},
                         {base + "\\Vendor\\Tool", 0},
                         {base + "\\Vendor\\Lost", 1},
                         {base + "\\Vendor", 0}});
}

TEST_F(AppChecks, RunEntries) {
    const std::string userRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    builder.value(userRun, "Gone", Sz("C:\\Gone\\agent.exe /background"));
    builder.value(userRun, "Network", Sz("\\\\server\\share\\agent.exe"));
    builder.value(userRun, "QuotedNetwork", Sz("\"\\\\server\\share\\agent.exe\" /x"));
    builder.value(userRun, "Tool", Sz("\"C:\\Tools\\tool.exe\" -tray"));
    builder.value(userRun, "Dll", Sz("rundll32.exe shell32.dll,Control_RunDLL"));
    builder.value(kCurrentVersion + "\\Run", "Expanded", Ex("%SystemRoot%\\system32\\gone.exe"));
    builder.value(kCurrentVersion + "\\Run", "ExpandedHere",
                  Ex("%SystemRoot%\\system32\\rundll32.exe x,y"));

    const auto found = run(CheckRunEntries);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].ValueName, "Gone");
    EXPECT_EQ(found[0].RootKey, RootKey::CurrentUser);
    EXPECT_EQ(found[0].Description,
              "Startup program \"Gone\" not found: C:\\Gone\\agent.exe /background");
    EXPECT_EQ(found[1].ValueName, "Expanded");
    EXPECT_EQ(found[1].RootKey, RootKey::LocalMachine);
    EXPECT_EQ(found[1].Data, "%SystemRoot%\\system32\\gone.exe");
}

TEST_F(AppChecks, SharedDllCounts) {
    const std::string shared = kCurrentVersion + "\\SharedDLLs";
    builder.value(shared, "C:\\Gone\\lib.dll", RegValue::dword(3));
    builder.value(shared, "C:\\Gone\\zero.dll", RegValue::dword(0));
    builder.value(shared, "C:\\Shared\\used.dll", RegValue::dword(0));
    builder.value(shared, "C:\\Tools\\tool.exe", RegValue::dword(2));

    const auto found = run(CheckSharedDlls);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].ValueName, "C:\\Gone\\lib.dll");
    EXPECT_EQ(found[0].Data, "3");
    EXPECT_EQ(found[1].Description, "Shared DLL not found: C:\\Gone\\zero.dll");
    EXPECT_EQ(found[2].ValueName, "C:\\Shared\\used.dll");
    EXPECT_EQ(found[2].Data, "0");
    EXPECT_EQ(found[2].Description, "Shared DLL with a usage count of zero: C:\\Shared\\used.dll");
}

TEST_F(AppChecks, ApplicationPaths) {
    const std::string appPaths = kCurrentVersion + "\\App Paths";
    builder.value(appPaths + "\\gone.exe", "", Sz("C:\\Gone\\gone.exe"));
    builder.value(appPaths + "\\nodrive.exe", "", Sz("nodrive.exe"));
    builder.value(appPaths + "\\tool.exe", "", Sz("tool.exe"));
    builder.value(appPaths + "\\tool.exe", "Path", Sz("C:\\Tools"));
    builder.value(appPaths + "\\lost.exe", "", Sz("LOST.EXE"));
    builder.value(appPaths + "\\lost.exe", "Path", Sz("C:\\Tools\\"));

    const auto found = run(CheckAppPaths);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Data, "C:\\Gone\\gone.exe");
    EXPECT_EQ(found[1].Data, "C:\\Tools\\LOST.EXE");
    EXPECT_EQ(found[1].Kind, DeleteKey);
}

TEST_F(AppChecks, UninstallEntriesAndTheirCache) {
    const std::string uninstall = kCurrentVersion + "\\Uninstall";
    builder.value(uninstall + "\\GoneApp", "DisplayName", Sz("Gone App"));
    builder.value(uninstall + "\\GoneApp", "UninstallString", Sz("C:\\Gone\\uninst.exe /S"));
    builder.value(uninstall + "\\Quiet", "QuietUninstallString", Sz("C:\\Gone\\q.exe"));
    builder.value(uninstall + "\\Orphan", "DisplayName", Sz("Orphan"));
    builder.value(uninstall + "\\WithSub\\Details", "x", Sz("y"));
    builder.value(uninstall + "\\System", "SystemComponent", RegValue::dword(1));
    builder.value(uninstall + "\\Msi", "UninstallString", Sz("MsiExec.exe /X{1234}"));
    builder.value(kCurrentVersion + "\\App Management\\ARPCache\\GoneApp", "SlowInfoCache",
                  RegValue::binary({0}));
    builder.value(kCurrentVersion + "\\App Management\\ARPCache\\Removed", "SlowInfoCache",
                  RegValue::binary({0}));

    const auto found = run(CheckUninstallEntries);
    const std::string base = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    EXPECT_EQ(one(found, base + "\\GoneApp").Description,
              "Uninstall entry of a program that is no longer installed: Gone App");
    EXPECT_EQ(at(found, base + "\\Quiet").size(), 1u);  // named by its key without a name
    EXPECT_EQ(one(found, base + "\\Orphan").Description,
              "Uninstall entry without an uninstall command");
    EXPECT_EQ(found.size(), 3u);

    const auto cache = run(CheckArpCache);
    ASSERT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache[0].KeyPath,
              "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\Removed");
}

TEST_F(AppChecks, InstallerFoldersFontsAndHelpFiles) {
    builder.value(kCurrentVersion + "\\Installer\\Folders", "C:\\Gone\\Folder\\", Sz(""));
    builder.value(kCurrentVersion + "\\Installer\\Folders", "C:\\Tools\\", Sz(""));
    // Windows 7 machine: only the Windows\CurrentVersion fonts key is read.
    builder.file("C:\\windows\\Fonts\\here.ttf", "x");
    builder.value(kCurrentVersion + "\\Fonts", "Gone (TrueType)", Sz("gone.ttf"));
    builder.value(kCurrentVersion + "\\Fonts", "Here (TrueType)", Sz("here.ttf"));
    builder.value("HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Other",
                  Sz("other.ttf"));
    builder.file("C:\\windows\\help\\here.hlp", "x");
    builder.value("HKLM\\Software\\Microsoft\\Windows\\Help", "gone.hlp", Sz("C:\\windows\\help"));
    builder.value("HKLM\\Software\\Microsoft\\Windows\\Help", "here.hlp",
                  Sz("C:\\windows\\help\\"));
    builder.value("HKLM\\Software\\Microsoft\\Windows\\Html Help", "gone.chm", Sz("C:\\Docs"));

    const auto folders = run(CheckInstallerFolders);
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].ValueName, "C:\\Gone\\Folder\\");

    const auto fonts = run(CheckFonts);
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].Description, "Font file not found: gone.ttf (Gone (TrueType))");

    const auto help = run(CheckHelpFiles);
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].Description, "Help file not found: gone.hlp (C:\\windows\\help\\gone.hlp)");
    EXPECT_EQ(help[0].Data, "C:\\windows\\help");
    EXPECT_EQ(help[1].KeyPath, "\\SOFTWARE\\Microsoft\\Windows\\Html Help");
}

TEST_F(AppChecks, OpenSaveHistoryReadsEveryListedLetter) {
    const std::string mru = kExplorer + "\\ComDlg32\\OpenSaveMRU\\txt";
    builder.value(mru, "MRUList", Sz("bca"));
    builder.value(mru, "b", Sz("C:\\Tools\\tool.exe"));
    builder.value(mru, "c", Sz(""));
    builder.value(mru, "a", Sz("C:\\Gone\\notes.txt"));
    builder.value(mru, "d", Sz("C:\\Gone\\unlisted.txt"));

    const auto found = run(CheckOpenSaveHistory);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].ValueName, "a");
    EXPECT_EQ(found[0].Data, "C:\\Gone\\notes.txt");
    EXPECT_EQ(found[0].Kind, DeleteValue);
}

TEST_F(AppChecks, ServiceImagePaths) {
    const std::string services = "HKLM\\System\\CurrentControlSet\\Services";
    builder.value(services + "\\GoneSvc", "ImagePath",
                  Sz("C:\\windows\\system32\\gone.exe -k net"));
    builder.value(services + "\\OkSvc", "ImagePath", Ex("%SystemRoot%\\system32\\rundll32.exe"));
    builder.value(services + "\\Driver", "ImagePath", Sz("system32\\drivers\\x.sys"));
    builder.value(services + "\\Number", "ImagePath", RegValue::dword(7));

    const auto found = run(CheckServiceImagePaths);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].KeyPath, "\\SYSTEM\\CurrentControlSet\\Services\\GoneSvc");
    EXPECT_EQ(found[0].Kind, DeleteKey);
    EXPECT_EQ(found[0].ValueName, "ImagePath");
}

}  // namespace

// Values as real installers write them: every variable is expanded from the machine's
// environment before a path is judged, and one the machine does not define is never reported.
TEST_F(AppChecks, VariablesExpandedFromTheMachineEnvironment) {
    builder.file("C:\\Program Files (x86)\\App32\\uninst.exe", "MZ");
    builder.file("C:\\Program Files\\App64\\uninst.exe", "MZ");
    builder.file("C:\\Program Files\\Common Files\\Shared\\helper.exe", "MZ");
    builder.file("C:\\ProgramData\\App\\agent.exe", "MZ");
    builder.file("C:\\users\\tester\\AppData\\Roaming\\App\\run.exe", "MZ");
    builder.file("C:\\users\\tester\\AppData\\Local\\App\\upd.exe", "MZ");
    builder.file("C:\\windows\\uninst.exe", "MZ");
    struct Row {
        const char* command;
        bool reported;
    };
    const Row rows[] = {
        {"\"%ProgramFiles(x86)%\\App32\\uninst.exe\" /S", false},
        {"%ProgramW6432%\\App64\\uninst.exe", false},
        {"%CommonProgramFiles%\\Shared\\helper.exe", false},
        {"%ProgramData%\\App\\agent.exe", false},
        {"%APPDATA%\\App\\run.exe", false},
        {"%LOCALAPPDATA%\\App\\upd.exe", false},
        {"%USERPROFILE%\\AppData\\Local\\App\\upd.exe", false},
        {"%SystemDrive%\\ProgramData\\App\\agent.exe", false},
        {"%SystemRoot%\\uninst.exe", false},
        {"%ProgramFiles(x86)%\\Removed\\uninst.exe", true},
        {"%APPDATA%\\Removed\\run.exe", true},
        {"%NotDefinedAnywhere%\\App\\uninst.exe", false},
    };
    const std::string uninstall = kCurrentVersion + "\\Uninstall";
    const std::string runKey = kCurrentVersion + "\\Run";
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto value = Ex(rows[i].command);
        builder.value(uninstall + "\\App" + std::to_string(i), "UninstallString", value);
        builder.value(runKey, "App" + std::to_string(i), value);
    }
    const auto uninstallFound = run(CheckUninstallEntries);
    const auto runFound = run(CheckRunEntries);
    const std::string base = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App";
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].command);
        EXPECT_EQ(at(uninstallFound, base + std::to_string(i)).size(), rows[i].reported ? 1u : 0u);
        const auto inRun = std::count_if(runFound.begin(), runFound.end(), [&](const auto& f) {
            return f.ValueName == "App" + std::to_string(i);
        });
        EXPECT_EQ(inRun, rows[i].reported ? 1 : 0);
    }
}

// A 32-bit program registers itself in the 32-bit view: its leftovers are found there, and its
// registrations count as present.
TEST_F(AppChecks, ThirtyTwoBitViewOfTheDedicatedSteps) {
    const std::string view32 = "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows";
    builder.file("C:\\Program Files (x86)\\Here\\uninst.exe", "MZ");
    builder.value(view32 + "\\CurrentVersion\\Uninstall\\Here", "UninstallString",
                  Sz("C:\\Program Files (x86)\\Here\\uninst.exe"));
    builder.value(view32 + "\\CurrentVersion\\Uninstall\\Gone", "UninstallString",
                  Sz("C:\\Program Files (x86)\\Gone\\uninst.exe"));
    builder.value(view32 + "\\CurrentVersion\\Run", "Gone",
                  Sz("\"C:\\Program Files (x86)\\Gone\\tray.exe\""));
    builder.value(view32 + "\\CurrentVersion\\SharedDLLs",
                  "C:\\Program Files (x86)\\Gone\\shared.dll", RegValue::dword(1));
    builder.value(view32 + "\\Help", "gone.hlp", Sz("C:\\Program Files (x86)\\Gone\\"));
    builder.value(kCurrentVersion + "\\Uninstall\\Other", "UninstallString",
                  Sz("C:\\Tools\\tool.exe"));
    builder.value(kCurrentVersion + "\\App Management\\ARPCache\\Here", "SlowInfoCache",
                  RegValue::binary({0}));

    const auto found = run(
        {CheckUninstallEntries, CheckArpCache, CheckRunEntries, CheckSharedDlls, CheckHelpFiles});
    const std::string base = "\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows";
    expectCounts(found, {{base + "\\CurrentVersion\\Uninstall\\Gone", 1},
                         {base + "\\CurrentVersion\\Run", 1},
                         {base + "\\CurrentVersion\\SharedDLLs", 1},
                         {base + "\\Help", 1}});
    EXPECT_EQ(found.size(), 4u);  // neither the installed program nor its ARP cache entry
}

}  // namespace quorvel::registry::checktests
