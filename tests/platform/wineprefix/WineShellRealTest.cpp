#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/wineprefix/WinePrefixMachine.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace fs = std::filesystem;
using quorvel::platform::LinkInfo;
using quorvel::platform::LinkVolume;
using quorvel::platform::ShellLink;
using quorvel::platform::wineprefix::WinePrefixMachine;
using quorvel::testing::TempDir;
using quorvel::testing::WineTools;
namespace csidl = quorvel::platform::csidl;

// Wine's own shell32 loads the shortcuts this program writes: its menu builder reads a desktop
// shortcut through IShellLink and traces every field it got.
TEST(WineShellReal, WinesShellReadsTheShortcutsWeWrite) {
    if (!WineTools::available()) GTEST_SKIP() << "Wine is not installed";
    TempDir dir;
    const auto prefix = dir.path() / "prefix";
    if (auto error = WineTools::makePrefix(prefix)) FAIL() << *error;
    auto machine = WinePrefixMachine::open(prefix);
    ASSERT_TRUE(machine) << machine.status().message();
    auto& shell = (*machine)->shell();
    // The start menu lies in the prefix (the desktop may be linked to the home folder, where
    // nothing is ever written).
    const std::string desktop = shell.specialFolder(csidl::Programs);
    ASSERT_FALSE(desktop.empty());

    ShellLink link;
    LinkInfo li;
    li.volume = LinkVolume{};
    li.localBasePath = "C:\\windows\\regedit.exe";
    link.linkInfo = li;
    link.description = "Ours \xc3\xa9";
    link.arguments = "/s x.reg";
    link.workingDirectory = "C:\\windows";
    link.iconLocation = "C:\\windows\\regedit.exe";
    for (const bool unicode : {true, false}) {
        link.linkFlags = unicode ? quorvel::platform::linkflag::IsUnicode : 0;
        const std::string path = desktop + (unicode ? "\\wide.lnk" : "\\ansi.lnk");
        ASSERT_TRUE(shell.writeLink(path, link));
        const auto out = WineTools::run(
            prefix, {"env", "WINEDEBUG=trace+menubuilder", "WINEDLLOVERRIDES=mscoree=d;mshtml=d",
                     "XDG_DATA_HOME=" + (dir.path() / "data").string(),
                     "XDG_CONFIG_HOME=" + (dir.path() / "config").string(), "wine",
                     "winemenubuilder", "-w", path});
        WineTools::waitForServer(prefix);
        SCOPED_TRACE(unicode ? "Unicode link" : "ANSI link");
        EXPECT_NE(out.text.find(R"(path       : L"C:\\windows\\regedit.exe")"), std::string::npos)
            << out.text;
        EXPECT_NE(out.text.find(R"(args       : L"/s x.reg")"), std::string::npos);
        EXPECT_NE(out.text.find(R"(description: L"Ours \00e9")"), std::string::npos);
        EXPECT_NE(out.text.find(R"(workdir    : L"C:\\windows")"), std::string::npos);
    }
}
