#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "platform/wineprefix/WineShell.h"
#include "support/MachineBuilder.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using quorvel::platform::ErrorCode;
using quorvel::platform::RecycleBinInfo;
using quorvel::platform::wineprefix::percentDecode;
using quorvel::platform::wineprefix::WinePrefixMachine;
using quorvel::platform::wineprefix::WineShell;
using quorvel::platform::wineprefix::WineShellOptions;
using quorvel::testing::MachineBuilder;
using quorvel::testing::ScopedEnv;
using quorvel::testing::TempDir;

namespace {

void writeBytes(const fs::path& p, std::size_t size) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << std::string(size, 'x');
}

// A trash folder with four items:
//   report.txt  100 bytes, trashed from the prefix's C: drive (host path, escaped)
//   tree/       a folder of 10 + 20 + 5 bytes with a read-only subfolder, from a path on no drive
//   link        a symbolic link to a folder outside the bin with a 1000-byte file, from "C:\link"
//   orphan.bin  7 bytes without an info file
// plus an info file whose item is gone and a directorysizes cache.
class WineShellRecycleBinTest : public ::testing::Test {
protected:
    void SetUp() override {
        bin_ = temp_.path() / "Trash";
        outside_ = temp_.path() / "precious";
        writeBytes(outside_ / "keep.dat", 1000);

        const auto files = bin_ / "files";
        const auto info = bin_ / "info";
        writeBytes(files / "report.txt", 100);
        writeInfo("report.txt", escaped(builder_.hostPath("C:\\users\\tester\\report 1.txt")));
        writeBytes(files / "tree" / "a", 10);
        writeBytes(files / "tree" / "sub" / "b", 20);
        writeBytes(files / "tree" / "sub" / "deeper" / "c", 5);
        fs::permissions(files / "tree" / "sub", fs::perms::owner_read | fs::perms::owner_exec);
        writeInfo("tree", "/somewhere/not/on/a/drive/tree");
        fs::create_directory_symlink(outside_, files / "link");
        writeInfo("link", "C:\\link");
        writeBytes(files / "orphan.bin", 7);
        writeInfo("gone.txt", "/x/gone.txt");
        writeBytes(bin_ / "directorysizes", 3);
    }

    void TearDown() override {
        std::error_code ec;  // let TempDir remove what a failed test left read-only
        fs::permissions(bin_ / "files" / "tree" / "sub", fs::perms::owner_all, ec);
    }

    WineShell& shell(std::optional<fs::path> recycleBin) {
        machine_ = builder_.build();
        WineShellOptions options;
        options.recycleBin = std::move(recycleBin);
        shell_ =
            std::make_unique<WineShell>(machine_->prefix(), machine_->wineFileSystem(),
                                        machine_->registry(), machine_->wineEnvironment(), options);
        return *shell_;
    }

    static std::string escaped(const fs::path& p) {
        std::string out;
        for (const char c : p.string())
            out += c == ' ' ? std::string("%20") : std::string(1, c);
        return out;
    }

    void writeInfo(const std::string& name, const std::string& originalPath) {
        fs::create_directories(bin_ / "info");
        std::ofstream(bin_ / "info" / (name + ".trashinfo"))
            << "[Trash Info]\nPath=" << originalPath << "\nDeletionDate=2026-01-02T03:04:05\n";
    }

    TempDir temp_;
    MachineBuilder builder_;
    fs::path bin_;
    fs::path outside_;
    std::unique_ptr<WinePrefixMachine> machine_;
    std::unique_ptr<WineShell> shell_;
};

}  // namespace

TEST_F(WineShellRecycleBinTest, CountsItemsAndBytesWithoutFollowingLinks) {
    auto& s = shell(bin_);
    const auto all = s.recycleBinQuery("");
    ASSERT_TRUE(all) << all.status().message();
    EXPECT_EQ(*all, (RecycleBinInfo{100 + 35 + 7, 4}));  // the linked folder's 1000 bytes: no

    const auto onC = s.recycleBinQuery("c:\\");
    ASSERT_TRUE(onC);
    EXPECT_EQ(*onC, (RecycleBinInfo{100, 2}));  // report.txt (host path) and link ("C:\...")
    EXPECT_EQ(*s.recycleBinQuery("D:"), (RecycleBinInfo{0, 0}));
    EXPECT_EQ(s.recycleBinQuery("C:\\Windows").status().code(), ErrorCode::InvalidParameter);
}

TEST_F(WineShellRecycleBinTest, EmptyingADriveLeavesTheOthersAndEmptyingAllLeavesNothing) {
    auto& s = shell(bin_);
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

TEST_F(WineShellRecycleBinTest, TheMachinesOwnFolderWinsOverTheUsersTrash) {
    builder_.sharedRecycleBin();
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home.path() / "data").string());
    ScopedEnv homeVar("HOME", home.path().string());
    // The shared trash: the user's own file, one trashed from another prefix through a drive
    // link of this one, and one trashed from this prefix. Only the last is the machine's.
    const auto trash = home.path() / "data" / "Trash";
    const auto info = [&](const std::string& name, const fs::path& from) {
        fs::create_directories(trash / "info");
        std::ofstream(trash / "info" / (name + ".trashinfo"))
            << "[Trash Info]\nPath=" << escaped(from) << "\n";
    };
    writeBytes(trash / "files" / "users-own.txt", 50);
    info("users-own.txt", home.path() / "users-own.txt");
    writeBytes(trash / "files" / "other.txt", 30);
    builder_.drive('x', home.path());
    info("other.txt", builder_.prefix() / "dosdevices" / "x:" / "other.txt");
    writeBytes(trash / "files" / "mine.txt", 20);
    info("mine.txt", builder_.hostPath("C:\\users\\tester\\mine.txt"));

    {
        auto& s = shell(std::nullopt);
        EXPECT_EQ(s.recycleBinFolder(), trash);
        EXPECT_EQ(*s.recycleBinQuery(""), (RecycleBinInfo{20, 1}));
        ASSERT_TRUE(s.emptyRecycleBin(""));
        EXPECT_FALSE(fs::exists(trash / "files" / "mine.txt"));
        EXPECT_TRUE(fs::exists(trash / "files" / "users-own.txt"));
        EXPECT_TRUE(fs::exists(trash / "info" / "users-own.txt.trashinfo"));
        EXPECT_TRUE(fs::exists(trash / "files" / "other.txt"));
    }
    {
        ScopedEnv noXdg("XDG_DATA_HOME", std::nullopt);
        auto& s = shell(std::nullopt);
        EXPECT_EQ(s.recycleBinFolder(), home.path() / ".local" / "share" / "Trash");
        EXPECT_EQ(*s.recycleBinQuery(""), (RecycleBinInfo{0, 0}));  // no such folder: empty
    }
    fs::create_directories(builder_.prefix() / WineShell::kOwnRecycleBin / "files");
    writeBytes(builder_.prefix() / WineShell::kOwnRecycleBin / "files" / "demo.txt", 9);
    auto& s = shell(std::nullopt);
    EXPECT_EQ(s.recycleBinFolder(), machine_->prefix() / WineShell::kOwnRecycleBin);
    ASSERT_TRUE(s.emptyRecycleBin(""));
    EXPECT_EQ(*s.recycleBinQuery(""), (RecycleBinInfo{0, 0}));
    EXPECT_TRUE(fs::exists(home.path() / "data" / "Trash" / "files" / "users-own.txt"));
}

TEST(TrashInfo, PathsArePercentDecoded) {
    EXPECT_EQ(percentDecode("/home/a%20b/%C3%A9t%c3%a9.txt"), "/home/a b/\xc3\xa9t\xc3\xa9.txt");
    EXPECT_EQ(percentDecode("100%"), "100%");
    EXPECT_EQ(percentDecode("%zz%4"), "%zz%4");
}
