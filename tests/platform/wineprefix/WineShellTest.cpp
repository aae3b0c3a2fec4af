#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/wineprefix/WineShell.h"
#include "support/MachineBuilder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using quorvel::platform::ErrorCode;
using quorvel::platform::LinkInfo;
using quorvel::platform::LinkVolume;
using quorvel::platform::RegValue;
using quorvel::platform::ShellLink;
using quorvel::platform::wineprefix::WinePrefixMachine;
using quorvel::platform::wineprefix::WineShell;
using quorvel::platform::wineprefix::WineShellOptions;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;
namespace csidl = quorvel::platform::csidl;
namespace iconindex = quorvel::platform::iconindex;
namespace fileattr = quorvel::platform::fileattr;
namespace regtype = quorvel::platform::regtype;

namespace {

constexpr const char* kDesktop = "C:\\users\\tester\\Desktop";
constexpr const char* kUserShellFolders =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kShellFolders =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class WineShellTest : public ::testing::Test {
protected:
    WineShell& shell(WineShellOptions options = {}) {
        if (!options.recycleBin) options.recycleBin = bin_.path() / "Trash";
        machine_ = builder_.build();
        shell_ =
            std::make_unique<WineShell>(machine_->prefix(), machine_->wineFileSystem(),
                                        machine_->registry(), machine_->wineEnvironment(), options);
        return *shell_;
    }

    static ShellLink linkTo(const std::string& target) {
        ShellLink link;
        LinkInfo li;
        li.volume = LinkVolume{};
        li.localBasePath = target;
        link.linkInfo = li;
        link.description = "The app";
        link.arguments = "-v";
        link.workingDirectory = "C:\\Program Files\\App";
        link.iconLocation = target;
        link.iconIndex = 2;
        link.hotKey = 0x0351;
        return link;
    }

    MachineBuilder builder_;
    TempDir bin_;
    std::unique_ptr<WinePrefixMachine> machine_;
    std::unique_ptr<WineShell> shell_;
};

}  // namespace

TEST_F(WineShellTest, WritesAndReadsShortcutsOnTheMachine) {
    auto& s = shell();
    const std::string path = std::string(kDesktop) + "\\App.lnk";
    ASSERT_TRUE(s.writeLink(path, linkTo("C:\\Program Files\\App\\app.exe")));
    EXPECT_TRUE(fs::is_regular_file(builder_.hostPath(path)));

    auto read = s.readLink("c:\\USERS\\tester\\desktop\\app.LNK");  // any letter case
    ASSERT_TRUE(read) << read.status().message();
    EXPECT_EQ(read->targetPath(), "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(read->hotKey, 0x0351);
}

TEST_F(WineShellTest, SavingKeepsHiddenMarksAndRefusesReadOnlyShortcuts) {
    const std::string hidden = std::string(kDesktop) + "\\hidden.lnk";
    const std::string locked = std::string(kDesktop) + "\\locked.lnk";
    const std::string original = quorvel::platform::shelllink::serialize(linkTo("C:\\a.exe"));
    builder_.file(hidden, original).attributes(hidden, fileattr::Hidden);
    builder_.file(locked, original).attributes(locked, fileattr::ReadOnly);
    auto& s = shell();

    ASSERT_TRUE(s.writeLink(hidden, linkTo("C:\\b.exe")));
    EXPECT_TRUE(machine_->fileSystem().attributes(hidden) & fileattr::Hidden);
    EXPECT_EQ(s.readLink(hidden)->targetPath(), "C:\\b.exe");

    const auto refused = s.writeLink(locked, linkTo("C:\\b.exe"));
    EXPECT_EQ(refused.code(), ErrorCode::AccessDenied);
    EXPECT_EQ(s.readLink(locked)->targetPath(), "C:\\a.exe");  // untouched
}

TEST_F(WineShellTest, UnreadableShortcutsAreErrorsNamingTheFile) {
    builder_.file(std::string(kDesktop) + "\\junk.lnk", "not a shortcut at all");
    builder_.folder(std::string(kDesktop) + "\\folder.lnk");
    auto& s = shell();
    const auto missing = s.readLink(std::string(kDesktop) + "\\none.lnk");
    EXPECT_EQ(missing.status().code(), ErrorCode::FileNotFound);
    const auto junk = s.readLink(std::string(kDesktop) + "\\junk.lnk");
    EXPECT_EQ(junk.status().code(), ErrorCode::BadFormat);
    EXPECT_NE(junk.status().message().find("junk.lnk"), std::string::npos);
    EXPECT_FALSE(s.readLink(std::string(kDesktop) + "\\folder.lnk"));
}

TEST_F(WineShellTest, VersionInfoOfFilesOnTheMachine) {
    const fs::path kernel32 = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll";
    builder_.file("C:\\windows\\system32\\notes.txt", "MZ but nothing more");
    if (fs::exists(kernel32)) {
        fs::copy_file(kernel32, builder_.hostPath("C:\\windows\\system32\\kernel32.dll"));
    }
    auto& s = shell();
    EXPECT_FALSE(s.versionInfo("C:\\windows\\system32\\notes.txt"));
    EXPECT_FALSE(s.versionInfo("C:\\windows\\system32\\missing.dll"));
    EXPECT_FALSE(s.versionInfo("C:\\windows\\system32"));
    if (!fs::exists(kernel32)) GTEST_SKIP() << "Wine is not installed";
    const auto info = s.versionInfo("C:\\Windows\\System32\\KERNEL32.DLL");
    ASSERT_TRUE(info && info->fixed);
    EXPECT_TRUE(info->firstTranslationString("FileVersion"));
}

TEST_F(WineShellTest, SpecialFoldersFollowTheShellFolderKeysAndMustExist) {
    // Only two user shell folders remain; the others come from "Shell Folders".
    builder_.removeKey(kUserShellFolders);
    builder_.value(kUserShellFolders, "Personal",
                   RegValue::string("%USERPROFILE%\\My Files", regtype::ExpandSz));
    builder_.value(kUserShellFolders, "Favorites", RegValue::string("%NOSUCHVAR%\\Fav"));
    builder_.folder("C:\\users\\tester\\My Files");
    builder_.value(kShellFolders, "SendTo", RegValue::string("C:\\SendHere\\"));
    builder_.folder("C:\\SendHere");
    auto& s = shell();

    EXPECT_EQ(s.specialFolder(csidl::Desktop), kDesktop);  // from Shell Folders
    EXPECT_EQ(s.specialFolder(csidl::DesktopDirectory), kDesktop);
    EXPECT_EQ(s.specialFolder(csidl::Personal), "C:\\users\\tester\\My Files");  // expanded
    EXPECT_EQ(s.specialFolder(csidl::Favorites), "");           // a variable nobody knows
    EXPECT_EQ(s.specialFolder(csidl::SendTo), "C:\\SendHere");  // no trailing backslash
    EXPECT_EQ(s.specialFolder(csidl::System), "C:\\windows\\system32");
    EXPECT_EQ(s.specialFolder(csidl::CommonStartup),
              "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp");
    EXPECT_EQ(s.specialFolder(csidl::InternetCache),
              "C:\\users\\tester\\AppData\\Local\\Microsoft\\Windows\\INetCache");
    EXPECT_EQ(s.specialFolder(csidl::Cookies), "");  // named, but the folder is not there
    EXPECT_EQ(s.specialFolder(0x7F), "");            // not a known number
}

TEST_F(WineShellTest, IconIndicesAreOnePerTypeAndOnePerProgram) {
    builder_.folder("C:\\data");
    auto& s = shell();
    EXPECT_EQ(s.smallIconIndex("C:\\data"), iconindex::Folder);
    EXPECT_EQ(s.smallIconIndex("C:\\"), iconindex::Drive);
    EXPECT_EQ(s.smallIconIndex("C:\\data\\README"), iconindex::Document);
    const int txt = s.smallIconIndex("C:\\a.txt");
    EXPECT_GE(txt, iconindex::FirstType);
    EXPECT_EQ(s.smallIconIndex("C:\\data\\B.TXT"), txt);
    EXPECT_EQ(s.smallIconSource(txt), ".txt");
    const int app1 = s.smallIconIndex("C:\\x\\one.exe");
    const int app2 = s.smallIconIndex("C:\\x\\two.exe");
    EXPECT_NE(app1, app2);
    EXPECT_EQ(s.smallIconIndex("c:\\X\\ONE.EXE"), app1);
    EXPECT_EQ(s.smallIconSource(app2), "C:\\x\\two.exe");
    EXPECT_EQ(s.smallIconSource(iconindex::Folder), "folder");
    EXPECT_EQ(s.smallIconSource(99999), "");
    EXPECT_EQ(s.smallIconSource(-1), "");
}

TEST_F(WineShellTest, ShellExecuteRunsWineStartOnlyWhenWineIsThere) {
    builder_.file("C:\\Program Files\\App\\app.exe", "MZ");
    TempDir tools;
    const fs::path log = tools.path() / "args.txt";
    const fs::path fakeWine = tools.path() / "wine";
    {
        std::ofstream script(fakeWine);
        script << "#!/bin/sh\nprintf '%s\\n' \"$WINEPREFIX\" > '" << log.string()
               << "'\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\" >> '" << log.string()
               << "'; done\n";
    }
    fs::permissions(fakeWine, fs::perms::owner_all);

    WineShellOptions noWine;
    noWine.wineProgram = (tools.path() / "absent" / "wine").string();
    auto& without = shell(noWine);
    const auto failed = without.shellExecute("open", "C:\\Program Files\\App\\app.exe", "");
    EXPECT_EQ(failed.code(), ErrorCode::FileNotFound);
    EXPECT_NE(failed.message().find("Wine is not installed"), std::string::npos);

    WineShellOptions withWine;
    withWine.wineProgram = fakeWine.string();
    auto& s = shell(withWine);
    EXPECT_EQ(s.shellExecute("properties", "C:\\Program Files\\App\\app.exe", "").code(),
              ErrorCode::InvalidParameter);
    EXPECT_EQ(s.shellExecute("open", "C:\\nowhere.exe", "").code(), ErrorCode::FileNotFound);
    EXPECT_FALSE(fs::exists(log));  // nothing ran so far

    ASSERT_TRUE(s.shellExecute("", "C:\\Program Files\\App\\app.exe", "/s \"a b\""));
    std::ifstream in(log);
    const std::string args{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(args, machine_->prefix().string() +
                        "\n[start]\n[C:\\Program Files\\App\\app.exe]\n[/s]\n[a b]\n");
}
