// Programs installed by real installers (NSIS, run silently under Wine) into a fresh prefix: the
// scan finds nothing while they are installed, every reference of the removed ones in both
// registry views once their folders are gone, and the repair leaves the installed one whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "QuorvelRun.h"
#include "platform/text/CaseInsensitive.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing::WineTools;
using namespace e2e;

struct Program {
    std::string name;  // also the start of every key and file name
    bool view32;       // written to the 32-bit registry view
    std::string guid;
};

// The registrations real installers make, with the expandable forms they write.
std::string InstallerScript(const Program& p, const fs::path& payload, const fs::path& out) {
    const std::string lower = [&] {
        std::string s = p.name;
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }();
    const std::string dir =
        p.view32 ? "C:\\Program Files (x86)\\" + p.name : "C:\\Program Files\\" + p.name;
    const std::string pf = p.view32 ? "%ProgramFiles(x86)%" : "%ProgramW6432%";
    const std::string cpf = p.view32 ? "%CommonProgramFiles(x86)%" : "%CommonProgramFiles%";
    const std::string uninstall =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + p.name;
    const std::string progId = p.name + ".Document";
    std::string s;
    auto line = [&](const std::string& l) { s += l + "\n"; };
    line("Unicode true");
    line("Target amd64-unicode");
    line("Name \"" + p.name + "\"");
    line("OutFile \"" + out.string() + "\"");
    line("InstallDir \"" + dir + "\"");
    line("SilentInstall silent");
    line("Section");
    line(p.view32 ? "  SetRegView 32" : "  SetRegView 64");
    line("  SetOutPath \"$INSTDIR\"");
    for (const char* ext : {".exe", ".dll", ".hlp"})
        line("  File \"/oname=" + lower + ext + "\" \"" + payload.string() + "\"");
    line("  WriteUninstaller \"$INSTDIR\\uninst.exe\"");
    line("  WriteRegStr HKLM \"" + uninstall + "\" \"DisplayName\" \"" + p.name + "\"");
    line("  WriteRegExpandStr HKLM \"" + uninstall + "\" \"UninstallString\" \"" + pf + "\\" +
         p.name + "\\uninst.exe\"");
    line("  WriteRegStr HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + lower +
         ".exe\" \"\" \"$INSTDIR\\" + lower + ".exe\"");
    line("  WriteRegStr HKLM \"Software\\Classes\\." + lower + "\" \"\" \"" + progId + "\"");
    line("  WriteRegExpandStr HKLM \"Software\\Classes\\" + progId + "\\DefaultIcon\" \"\" \"" +
         pf + "\\" + p.name + "\\" + lower + ".exe,1\"");
    line("  WriteRegExpandStr HKLM \"Software\\Classes\\" + progId +
         "\\shell\\open\\command\" \"\" '\"" + pf + "\\" + p.name + "\\" + lower +
         ".exe\" \"%1\"'");
    line("  WriteRegStr HKLM \"Software\\Classes\\" + progId + "\\CLSID\" \"\" \"" + p.guid + "\"");
    line("  WriteRegExpandStr HKLM \"Software\\Classes\\CLSID\\" + p.guid +
         "\\InprocServer32\" \"\" \"" + cpf + "\\..\\" + p.name + "\\" + lower + ".dll\"");
    line("  WriteRegStr HKLM \"Software\\Classes\\*\\shellex\\ContextMenuHandlers\\" + p.name +
         "\" \"\" \"" + p.guid + "\"");
    line("  WriteRegExpandStr HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\Run\" \"" +
         p.name + "\" '\"" + pf + "\\" + p.name + "\\" + lower + ".exe\" /tray'");
    line(
        "  WriteRegDWORD HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs\" "
        "\"$INSTDIR\\" +
        lower + ".dll\" 1");
    line("  WriteRegStr HKLM \"Software\\Microsoft\\Windows\\Help\" \"" + lower +
         ".hlp\" \"$INSTDIR\"");
    // A file type of the user's own, with a variable of the user's profile.
    line("  WriteRegStr HKCU \"Software\\Classes\\." + lower + "u\" \"\" \"" + p.name +
         ".UserDoc\"");
    line("  WriteRegExpandStr HKCU \"Software\\Classes\\" + p.name +
         ".UserDoc\\shell\\open\\command\" \"\" '\"%SystemDrive%\\" +
         (p.view32 ? "Program Files (x86)\\" : "Program Files\\") + p.name + "\\" + lower +
         ".exe\" \"%1\"'");
    line("SectionEnd");
    line("Section \"Uninstall\"");
    line("SectionEnd");
    return s;
}

bool HaveMakensis() {
    return std::system("command -v makensis >/dev/null 2>&1") == 0;
}

TEST(RealInstallers, InstalledProgramsAreCleanRemovedOnesFoundInBothViewsRepairKeepsTheRest) {
    if (!fs::exists(quorvelExe())) GTEST_SKIP() << "the quorvel executable is not built";
    if (!WineTools::available() || !HaveMakensis()) GTEST_SKIP() << "wine or makensis missing";
    testing::TempDir work;
    const fs::path prefix = work.path() / "prefix";
    if (auto error = WineTools::makePrefix(prefix)) GTEST_SKIP() << "wineboot failed: " << *error;

    const Program kept{"Keep64", false, "{6B000000-0000-4000-8000-000000000001}"};
    const Program gone64{"Gone64", false, "{6B000000-0000-4000-8000-000000000002}"};
    const Program gone32{"Gone32", true, "{6B000000-0000-4000-8000-000000000003}"};
    const fs::path payload = work.path() / "payload.bin";
    std::ofstream(payload) << "MZ";
    for (const Program* p : {&kept, &gone64, &gone32}) {
        const fs::path script = work.path() / (p->name + ".nsi");
        const fs::path setup = work.path() / (p->name + ".exe");
        std::ofstream(script) << InstallerScript(*p, payload, setup);
        ASSERT_EQ(std::system(("makensis -V1 '" + script.string() + "' >/dev/null").c_str()), 0);
        const auto installed = WineTools::wine(prefix, {setup.string(), "/S"});
        ASSERT_EQ(installed.exitCode, 0) << installed.text;
    }
    WineTools::waitForServer(prefix);
    const std::string machine = machineArg(prefix);

    const auto clean = runQuorvel(machine + "scan registry");
    EXPECT_NE(clean.second.find("0 registry problems found."), std::string::npos) << clean.second;

    fs::remove_all(prefix / "drive_c" / "Program Files" / gone64.name);
    fs::remove_all(prefix / "drive_c" / "Program Files (x86)" / gone32.name);
    const auto found = runQuorvel(machine + "scan registry");
    const std::string& text = found.second;
    for (const Program* p : {&gone64, &gone32}) {
        const std::string software = p->view32 ? "SOFTWARE\\Wow6432Node\\Microsoft\\Windows"
                                               : "SOFTWARE\\Microsoft\\Windows";
        const std::string classes = p->view32 ? "Wow6432Node\\" : "";
        for (const std::string& reference : std::vector<std::string>{
                 software + "\\CurrentVersion\\Uninstall\\" + p->name,
                 software + "\\CurrentVersion\\Run\n    Value:   " + p->name,
                 software + "\\CurrentVersion\\SharedDLLs",
                 software + "\\Help",
                 "App Paths\\" + p->name,  // one key for both views
                 "HKEY_CLASSES_ROOT\\" + classes + "CLSID\\" + p->guid,
                 p->name + ".UserDoc\\Shell\\open",
             }) {
            EXPECT_TRUE(platform::text::icontains(text, reference)) << reference << "\n" << text;
        }
        // Wine files a 32-bit program's file types under Classes\Wow6432Node.
        for (const char* part : {".Document\\DefaultIcon", ".Document\\Shell\\open"}) {
            EXPECT_TRUE(platform::text::icontains(text, classes + p->name + part)) << part;
        }
    }
    EXPECT_FALSE(platform::text::icontains(text, kept.name)) << text;

    ASSERT_EQ(runQuorvel(machine + "repair registry").first, 0);
    const auto after = runQuorvel(machine + "scan registry").second;
    // No reference to the removed program's files is left (its emptied type keys are the next
    // pass's findings).
    EXPECT_FALSE(platform::text::icontains(after, "\\" + gone64.name + "\\")) << after;
    for (const std::string& key : std::vector<std::string>{
             "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Keep64",
             "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\keep64.exe",
             "HKCR\\Keep64.Document\\shell\\open\\command",
             "HKCR\\CLSID\\" + kept.guid + "\\InprocServer32",
             "HKCR\\*\\shellex\\ContextMenuHandlers\\Keep64",
             "HKCU\\Software\\Classes\\Keep64.UserDoc\\shell\\open\\command",
         }) {
        const auto query = WineTools::wine(prefix, {"reg", "query", key});
        EXPECT_EQ(query.exitCode, 0) << key << "\n" << query.text;
    }
    const auto run = WineTools::wine(
        prefix, {"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v",
                 "Keep64"});
    EXPECT_NE(run.text.find("Keep64"), std::string::npos) << run.text;
    WineTools::waitForServer(prefix);
}

}  // namespace
}  // namespace quorvel
