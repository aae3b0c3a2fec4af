// Shortcuts written by Wine's own IShellLink (a small program cross-built with MinGW-w64 and run
// under wine): read with the target and description Wine reports, found once their targets are
// gone, removed and restored byte for byte, and re-pointed so that Wine loads the new target.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "QuorvelRun.h"
#include "core/GlobalVars.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/files/ShellWrappers.h"
#include "core/language/LanguageTable.h"
#include "core/paths/ShortcutTarget.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "shortcuts/FixShortcut.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing::WineTools;
using namespace e2e;

// write <lnk> <target> <description> | read <lnk>: prints "=" and the result line.
constexpr const char* kLinkTool = R"(#include <windows.h>
#include <shobjidl.h>
#include <cstdio>
int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || FAILED(CoInitialize(nullptr))) return 2;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return 4;
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) return 5;
    if (!lstrcmpW(argv[1], L"write") && argc == 5) {
        if (FAILED(link->SetPath(argv[3])) || FAILED(link->SetDescription(argv[4]))) return 6;
        return FAILED(file->Save(argv[2], TRUE)) ? 7 : 0;
    }
    if (!lstrcmpW(argv[1], L"read") && argc == 3) {
        if (FAILED(file->Load(argv[2], STGM_READ))) return 8;
        wchar_t target[MAX_PATH] = L"", description[MAX_PATH] = L"";
        link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY);
        link->GetDescription(description, MAX_PATH);
        wprintf(L"=%ls|%ls\n", target, description);
        return 0;
    }
    return 9;
}
)";

bool HaveMinGw() {
    return std::system("command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1") == 0;
}

// The line after "=" in a run's output.
std::string resultLine(const WineTools::Output& out) {
    const auto at = out.text.find('=');
    if (at == std::string::npos) return {};
    const auto end = out.text.find_first_of("\r\n", at);
    return out.text.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
}

class RealShortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(quorvelExe())) GTEST_SKIP() << "the quorvel executable is not built";
        if (!WineTools::available() || !HaveMinGw()) GTEST_SKIP() << "wine or MinGW-w64 missing";
        std::ofstream(work.path() / "linktool.cpp") << kLinkTool;
        const std::string build = "x86_64-w64-mingw32-g++-posix -municode -static -O1 -o '" +
                                  tool.string() + "' '" + (work.path() / "linktool.cpp").string() +
                                  "' -lole32 -luuid -lshell32 2>&1";
        ASSERT_EQ(std::system(build.c_str()), 0) << "cannot build the IShellLink tool";
        if (auto error = WineTools::makePrefix(prefix))
            GTEST_SKIP() << "wineboot failed: " << *error;
    }
    void TearDown() override {
        if (fs::exists(prefix)) WineTools::killServer(prefix);
    }
    WineTools::Output tool_(const std::vector<std::string>& args) {
        std::vector<std::string> all{tool.string()};
        all.insert(all.end(), args.begin(), args.end());
        auto out = WineTools::wine(prefix, all);
        WineTools::waitForServer(prefix);
        return out;
    }

    testing::TempDir work;
    fs::path tool = work.path() / "linktool.exe";
    fs::path prefix = work.path() / "prefix";
};

TEST_F(RealShortcuts, WineWrittenShortcutsAreReadFoundRepairedRestoredAndFixed) {
    auto machine = platform::wineprefix::WinePrefixMachine::open(prefix);
    ASSERT_TRUE(machine) << machine.status().message();
    const std::string menu = (*machine)->shell().specialFolder(platform::csidl::Programs);
    ASSERT_FALSE(menu.empty());
    fs::create_directories(prefix / "drive_c" / "apps");
    for (const char* name : {"keep.exe", "gone1.exe", "gone 2.exe"})
        std::ofstream(prefix / "drive_c" / "apps" / name) << "MZ";
    const std::string folder = menu + "\\Wine Made";
    const std::map<std::string, std::string> links = {
        {folder + "\\Keep.lnk", "C:\\apps\\keep.exe"},
        {folder + "\\Gone One.lnk", "C:\\apps\\gone1.exe"},
        {folder + "\\Gone Two.lnk", "C:\\apps\\gone 2.exe"},
    };
    ASSERT_EQ(WineTools::wine(prefix, {"cmd", "/c", "mkdir", folder}).exitCode, 0);
    WineTools::waitForServer(prefix);
    for (const auto& [lnk, target] : links) {
        const auto written = tool_({"write", lnk, target, "About " + target});
        ASSERT_EQ(written.exitCode, 0) << written.text;
    }

    std::map<std::string, std::string> hostFiles;
    for (const auto& [lnk, target] : links) {
        const std::string wine = resultLine(tool_({"read", lnk}));
        const auto link = (*machine)->shell().readLink(lnk);
        ASSERT_TRUE(link) << link.status().message();
        const auto ours = core::ResolveShortcutTarget(*link, lnk, (*machine)->environment(),
                                                      (*machine)->fileSystem());
        EXPECT_EQ(ours.path + "|" + link->description.value_or(""), wine) << lnk;
        EXPECT_EQ(wine, target + "|About " + target);
        hostFiles[lnk] = testing::ReadWholeFile(*(*machine)->wineFileSystem().hostPath(lnk));
    }

    fs::remove(prefix / "drive_c" / "apps" / "gone1.exe");
    fs::remove(prefix / "drive_c" / "apps" / "gone 2.exe");
    const auto [scanCode, scanOut] = runQuorvel(machineArg(prefix) + "scan shortcuts");
    ASSERT_EQ(scanCode, 0) << scanOut;
    EXPECT_EQ(scanOut.find("Keep.lnk"), std::string::npos) << scanOut;
    for (const char* gone :
         {"Gone One.lnk -> C:\\apps\\gone1.exe", "Gone Two.lnk -> C:\\apps\\gone 2.exe"})
        EXPECT_NE(scanOut.find(gone), std::string::npos) << scanOut;

    const auto [repairCode, repairOut] = runQuorvel(machineArg(prefix) + "repair shortcuts");
    ASSERT_EQ(repairCode, 0) << repairOut;
    for (const auto& [lnk, bytes] : hostFiles) {
        const auto host = *(*machine)->wineFileSystem().hostPath(lnk);
        EXPECT_EQ(fs::exists(host), lnk.ends_with("Keep.lnk")) << lnk;
    }
    const std::string id = newestBackup(prefix);
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(runQuorvel(machineArg(prefix) + "backups restore " + id).first, 0);
    for (const auto& [lnk, bytes] : hostFiles)
        EXPECT_EQ(testing::ReadWholeFile(*(*machine)->wineFileSystem().hostPath(lnk)), bytes)
            << lnk;

    // Fix Shortcut: re-pointed through our shell, loaded by Wine with the new target.
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::ProtectedFolders protectedFolders;
    testing::TempDir programDir;
    core::InitGlobals(**machine, programDir.path(), globals, language);
    const core::Context context{**machine, globals, language, protectedFolders};
    const std::string fixed = folder + "\\Gone One.lnk";
    const auto reported = shortcuts::FixShortcut(context, fixed, "C:\\apps\\keep.exe");
    ASSERT_TRUE(reported) << reported.status().message();
    EXPECT_EQ(*reported, "C:\\apps\\keep.exe");
    EXPECT_EQ(resultLine(tool_({"read", fixed})), "C:\\apps\\keep.exe|About C:\\apps\\gone1.exe");
}

}  // namespace
}  // namespace quorvel
