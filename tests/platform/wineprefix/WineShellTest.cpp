#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "platform/shelllink/ShellLinkFormat.h"
#include "platform/wineprefix/WineShell.h"
#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace quorvel::platform;
using quorvel::platform::wineprefix::percentDecode;
using quorvel::platform::wineprefix::WinePrefixMachine;
using quorvel::platform::wineprefix::WineShell;
using quorvel::platform::wineprefix::WineShellOptions;
using quorvel::testing::MachineBuilder;
using quorvel::testing::ScopedEnv;
using quorvel::testing::TempDir;

namespace {

const std::string kDesktop = "C:\\users\\tester\\Desktop";
constexpr const char* kUserShellFolders =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kShellFolders =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The shell of a machine built from builder_, built anew on every call.
class WineShellTest : public ::testing::Test {
protected:
    WineShell& shell(WineShellOptions options = {}) {
        machine_ = builder_.build();
        shell_ =
            std::make_unique<WineShell>(machine_->prefix(), machine_->wineFileSystem(),
                                        machine_->registry(), machine_->wineEnvironment(), options);
        return *shell_;
    }
    WineShell& shellWithBin(std::optional<fs::path> recycleBin) {
        WineShellOptions options;
        options.recycleBin = std::move(recycleBin);
        return shell(options);
    }

    static ShellLink linkTo(const std::string& target) {
        ShellLink link;
        LinkInfo li;
        li.volume = LinkVolume{};
        li.localBasePath = target;
        link.linkInfo = li;
        link.hotKey = 0x0351;
        return link;
    }

    MachineBuilder builder_;
    std::unique_ptr<WinePrefixMachine> machine_;
    std::unique_ptr<WineShell> shell_;
};

}  // namespace

TEST_F(WineShellTest, ShortcutsAreReadAndSavedKeepingHiddenMarksAndRefusingReadOnlyOnes) {
    const std::string hidden = kDesktop + "\\hidden.lnk", locked = kDesktop + "\\locked.lnk";
    const std::string original = shelllink::serialize(linkTo("C:\\a.exe"));
    builder_.file(hidden, original).attributes(hidden, fileattr::Hidden);
    builder_.file(locked, original).attributes(locked, fileattr::ReadOnly);
    auto& s = shell();

    ASSERT_TRUE(s.writeLink(kDesktop + "\\App.lnk", linkTo("C:\\Program Files\\App\\app.exe")));
    auto read = s.readLink("c:\\USERS\\tester\\desktop\\app.LNK");  // any letter case
    ASSERT_TRUE(read) << read.status().message();
    EXPECT_EQ(read->targetPath(), "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(read->hotKey, 0x0351);

    ASSERT_TRUE(s.writeLink(hidden, linkTo("C:\\b.exe")));
    EXPECT_TRUE(machine_->fileSystem().attributes(hidden) & fileattr::Hidden);
    EXPECT_EQ(s.readLink(hidden)->targetPath(), "C:\\b.exe");
    EXPECT_EQ(s.writeLink(locked, linkTo("C:\\b.exe")).code(), ErrorCode::AccessDenied);
    EXPECT_EQ(s.readLink(locked)->targetPath(), "C:\\a.exe");  // untouched
}

TEST_F(WineShellTest, UnreadableShortcutsAreErrorsNamingTheFile) {
    builder_.file(kDesktop + "\\junk.lnk", "not a shortcut at all");
    builder_.folder(kDesktop + "\\folder.lnk");
    auto& s = shell();
    EXPECT_EQ(s.readLink(kDesktop + "\\none.lnk").status().code(), ErrorCode::FileNotFound);
    const auto junk = s.readLink(kDesktop + "\\junk.lnk");
    EXPECT_EQ(junk.status().code(), ErrorCode::BadFormat);
    EXPECT_NE(junk.status().message().find("junk.lnk"), std::string::npos);
    EXPECT_FALSE(s.readLink(kDesktop + "\\folder.lnk"));
}

TEST_F(WineShellTest, VersionInfoOfFilesOnTheMachine) {
    const fs::path kernel32 = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll";
    builder_.file("C:\\windows\\system32\\notes.txt", "MZ but nothing more");
    if (fs::exists(kernel32))
        fs::copy_file(kernel32, builder_.hostPath("C:\\windows\\system32\\kernel32.dll"));
    auto& s = shell();
    for (const char* none : {"C:\\windows\\system32\\notes.txt",
                             "C:\\windows\\system32\\missing.dll", "C:\\windows\\system32"})
        EXPECT_FALSE(s.versionInfo(none)) << none;
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
    const std::pair<int, std::string> rows[] = {
        {csidl::Desktop, kDesktop},  // from Shell Folders
        {csidl::DesktopDirectory, kDesktop},
        {csidl::Personal, "C:\\users\\tester\\My Files"},  // expanded
        {csidl::Favorites, ""},                            // a variable nobody knows
        {csidl::SendTo, "C:\\SendHere"},                   // no trailing backslash
        {csidl::System, "C:\\windows\\system32"},
        {csidl::CommonStartup,
         "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
        {csidl::InternetCache, "C:\\users\\tester\\AppData\\Local\\Microsoft\\Windows\\INetCache"},
        {csidl::Cookies, ""},  // named, but the folder is not there
        {0x7F, ""},            // not a known number
    };
    for (const auto& [folder, expected] : rows)
        EXPECT_EQ(s.specialFolder(folder), expected) << folder;
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
    const std::string app = "C:\\Program Files\\App\\app.exe";
    builder_.file(app, "MZ");
    TempDir tools;
    const fs::path log = tools.path() / "args.txt";
    const fs::path fakeWine = tools.path() / "wine";
    std::ofstream(fakeWine) << "#!/bin/sh\nprintf '%s\\n' \"$WINEPREFIX\" > '" << log.string()
                            << "'\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\" >> '" << log.string()
                            << "'; done\n";
    fs::permissions(fakeWine, fs::perms::owner_all);

    WineShellOptions options;
    options.wineProgram = (tools.path() / "absent" / "wine").string();
    const auto failed = shell(options).shellExecute("open", app, "");
    EXPECT_EQ(failed.code(), ErrorCode::FileNotFound);
    EXPECT_NE(failed.message().find("Wine is not installed"), std::string::npos);

    options.wineProgram = fakeWine.string();
    auto& s = shell(options);
    EXPECT_EQ(s.shellExecute("properties", app, "").code(), ErrorCode::InvalidParameter);
    EXPECT_EQ(s.shellExecute("open", "C:\\nowhere.exe", "").code(), ErrorCode::FileNotFound);
    EXPECT_FALSE(fs::exists(log));  // nothing ran so far
    ASSERT_TRUE(s.shellExecute("", app, "/s \"a b\""));
    EXPECT_EQ(quorvel::testing::ReadWholeFile(log),
              machine_->prefix().string() + "\n[start]\n[" + app + "]\n[/s]\n[a b]\n");
}

namespace {

void writeBytes(const fs::path& p, std::size_t size) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << std::string(size, 'x');
}

std::string escaped(const fs::path& p) {
    std::string out;
    for (const char c : p.string())
        out += c == ' ' ? std::string("%20") : std::string(1, c);
    return out;
}

void writeInfo(const fs::path& bin, const std::string& name, const std::string& originalPath) {
    fs::create_directories(bin / "info");
    std::ofstream(bin / "info" / (name + ".trashinfo"))
        << "[Trash Info]\nPath=" << originalPath << "\nDeletionDate=2026-01-02T03:04:05\n";
}

// A trash folder with four items:
//   report.txt  100 bytes, trashed from the prefix's C: drive (host path, escaped)
//   tree/       a folder of 10 + 20 + 5 bytes with a read-only subfolder, from a path on no drive
//   link        a symbolic link to a folder outside the bin with a 1000-byte file, from "C:\link"
//   orphan.bin  7 bytes without an info file
// plus an info file whose item is gone and a directorysizes cache.
class WineShellRecycleBinTest : public WineShellTest {
protected:
    void SetUp() override {
        writeBytes(outside_ / "keep.dat", 1000);
        const auto files = bin_ / "files";
        writeBytes(files / "report.txt", 100);
        writeInfo(bin_, "report.txt",
                  escaped(builder_.hostPath("C:\\users\\tester\\report 1.txt")));
        writeBytes(files / "tree" / "a", 10);
        writeBytes(files / "tree" / "sub" / "b", 20);
        writeBytes(files / "tree" / "sub" / "deeper" / "c", 5);
        fs::permissions(files / "tree" / "sub", fs::perms::owner_read | fs::perms::owner_exec);
        writeInfo(bin_, "tree", "/somewhere/not/on/a/drive/tree");
        fs::create_directory_symlink(outside_, files / "link");
        writeInfo(bin_, "link", "C:\\link");
        writeBytes(files / "orphan.bin", 7);
        writeInfo(bin_, "gone.txt", "/x/gone.txt");
        writeBytes(bin_ / "directorysizes", 3);
    }
    void TearDown() override {
        std::error_code ec;  // let TempDir remove what a failed test left read-only
        fs::permissions(bin_ / "files" / "tree" / "sub", fs::perms::owner_all, ec);
    }

    TempDir temp_;
    fs::path bin_ = temp_.path() / "Trash";
    fs::path outside_ = temp_.path() / "precious";
};

}  // namespace

TEST_F(WineShellRecycleBinTest, CountsItemsAndBytesWithoutFollowingLinks) {
    auto& s = shellWithBin(bin_);
    const auto all = s.recycleBinQuery("");
    ASSERT_TRUE(all) << all.status().message();
    EXPECT_EQ(*all, (RecycleBinInfo{100 + 35 + 7, 4}));  // the linked folder's 1000 bytes: no
    // report.txt (host path) and link ("C:\...")
    EXPECT_EQ(*s.recycleBinQuery("c:\\"), (RecycleBinInfo{100, 2}));
    EXPECT_EQ(*s.recycleBinQuery("D:"), (RecycleBinInfo{0, 0}));
    EXPECT_EQ(s.recycleBinQuery("C:\\Windows").status().code(), ErrorCode::InvalidParameter);
}

TEST_F(WineShellRecycleBinTest, EmptyingADriveLeavesTheOthersAndEmptyingAllLeavesNothing) {
    auto& s = shellWithBin(bin_);
    ASSERT_TRUE(s.emptyRecycleBin("C:\\"));
    EXPECT_FALSE(fs::exists(bin_ / "files" / "report.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(bin_ / "files" / "link")));
    EXPECT_FALSE(fs::exists(bin_ / "info" / "link.trashinfo"));
    EXPECT_TRUE(fs::exists(bin_ / "files" / "tree"));
    EXPECT_TRUE(fs::exists(bin_ / "info" / "gone.txt.trashinfo"));  // only an empty-all clears
    EXPECT_EQ(*s.recycleBinQuery(""), (RecycleBinInfo{35 + 7, 2}));

    ASSERT_TRUE(s.emptyRecycleBin(""));
    EXPECT_EQ(*s.recycleBinQuery(""), (RecycleBinInfo{0, 0}));
    EXPECT_TRUE(fs::is_empty(bin_ / "files"));
    EXPECT_TRUE(fs::is_empty(bin_ / "info"));
    EXPECT_FALSE(fs::exists(bin_ / "directorysizes"));
    // The folder the trashed link pointed at is untouched.
    ASSERT_TRUE(fs::exists(outside_ / "keep.dat"));
    EXPECT_EQ(fs::file_size(outside_ / "keep.dat"), 1000u);
}

TEST_F(WineShellTest, TheMachinesOwnRecycleBinWinsOverTheUsersTrash) {
    builder_.sharedRecycleBin();
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home.path() / "data").string());
    ScopedEnv homeVar("HOME", home.path().string());
    // The shared trash: the user's own file, one trashed from another prefix through a drive
    // link of this one, and one trashed from this prefix. Only the last is the machine's.
    const auto trash = home.path() / "data" / "Trash";
    writeBytes(trash / "files" / "users-own.txt", 50);
    writeInfo(trash, "users-own.txt", escaped(home.path() / "users-own.txt"));
    writeBytes(trash / "files" / "other.txt", 30);
    builder_.drive('x', home.path());
    writeInfo(trash, "other.txt", escaped(builder_.prefix() / "dosdevices" / "x:" / "other.txt"));
    writeBytes(trash / "files" / "mine.txt", 20);
    writeInfo(trash, "mine.txt", escaped(builder_.hostPath("C:\\users\\tester\\mine.txt")));

    auto* s = &shellWithBin(std::nullopt);
    EXPECT_EQ(s->recycleBinFolder(), trash);
    EXPECT_EQ(*s->recycleBinQuery(""), (RecycleBinInfo{20, 1}));
    ASSERT_TRUE(s->emptyRecycleBin(""));
    EXPECT_FALSE(fs::exists(trash / "files" / "mine.txt"));
    EXPECT_TRUE(fs::exists(trash / "files" / "users-own.txt"));
    EXPECT_TRUE(fs::exists(trash / "info" / "users-own.txt.trashinfo"));
    EXPECT_TRUE(fs::exists(trash / "files" / "other.txt"));
    {
        ScopedEnv noXdg("XDG_DATA_HOME", std::nullopt);
        s = &shellWithBin(std::nullopt);
        EXPECT_EQ(s->recycleBinFolder(), home.path() / ".local" / "share" / "Trash");
        EXPECT_EQ(*s->recycleBinQuery(""), (RecycleBinInfo{0, 0}));  // no such folder: empty
    }
    writeBytes(builder_.prefix() / WineShell::kOwnRecycleBin / "files" / "demo.txt", 9);
    s = &shellWithBin(std::nullopt);
    EXPECT_EQ(s->recycleBinFolder(), machine_->prefix() / WineShell::kOwnRecycleBin);
    ASSERT_TRUE(s->emptyRecycleBin(""));
    EXPECT_EQ(*s->recycleBinQuery(""), (RecycleBinInfo{0, 0}));
    EXPECT_TRUE(fs::exists(trash / "files" / "users-own.txt"));
}

TEST(TrashInfo, PathsArePercentDecoded) {
    EXPECT_EQ(percentDecode("/home/a%20b/%C3%A9t%c3%a9.txt"), "/home/a b/\xc3\xa9t\xc3\xa9.txt");
    EXPECT_EQ(percentDecode("100%"), "100%");
    EXPECT_EQ(percentDecode("%zz%4"), "%zz%4");
}
