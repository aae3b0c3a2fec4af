#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "core/environment/BuiltContext.h"
#include "core/files/FileKeepRules.h"
#include "core/files/FileTimes.h"
#include "core/files/FolderIndex.h"
#include "core/files/FolderWalks.h"
#include "core/files/RunAndWait.h"
#include "core/files/ShellWrappers.h"
#include "support/ScopedEnv.h"

namespace quorvel::core {
namespace {

namespace fs = std::filesystem;
using platform::FileTime;
using quorvel::testing::MachineBuilder;
using quorvel::testing::ScopedEnv;
using quorvel::testing::TempDir;
using testsupport::BuiltContext;

const FileTime kLongAgo = FileTime::fromUnix(1'000'000'000);  // 2001
constexpr const char* kTemp = "C:\\users\\tester\\Temp\\";

// Files go into the builder first; build() makes the machine and its context.
class Files : public ::testing::Test {
protected:
    BuiltContext& build() { return built.emplace(builder); }
    platform::FileSystem& files() { return built->machine().fileSystem(); }
    MachineBuilder& oldFile(const std::string& path) {
        return builder.file(path, 1).lastWrite(path, kLongAgo);
    }
    // One character per path: '+' while it exists, '-' once it is gone.
    std::string onDisk(std::initializer_list<std::string> paths) {
        std::string out;
        for (const auto& path : paths)
            out += files().exists(path) ? '+' : '-';
        return out;
    }

    MachineBuilder builder;
    std::optional<BuiltContext> built;
};

// Data outside the folder being cleaned, reached only through links inside it: a folder link
// whose name matches "*.tmp", another folder link and a file link.
TEST(FolderWalks, NoWalkFollowsOrRemovesALink) {
    TempDir outside;
    const char* kept[] = {"precious/a.tmp", "precious/b.txt", "precious/sub.tmp/c.tmp",
                          "single.tmp"};
    fs::create_directories(outside.path() / "precious" / "sub.tmp");
    for (const char* name : kept)
        std::ofstream(outside.path() / name) << "keep me";
    const auto survivors = [&] {
        return std::count_if(std::begin(kept), std::end(kept),
                             [&](const char* name) { return fs::exists(outside.path() / name); });
    };
    const std::string junk = std::string(kTemp) + "junk";
    const std::function<void(BuiltContext&)> walks[] = {
        [&](BuiltContext& c) { EXPECT_FALSE(DeleteFolderTree(c.machine().fileSystem(), junk)); },
        [&](BuiltContext& c) { EXPECT_FALSE(DeleteFolderTreeSafe(c.context(), junk)); },
        [&](BuiltContext& c) { DeleteFilesByMask(c.machine().fileSystem(), junk, "*.tmp", true); },
        [&](BuiltContext& c) { DeleteFilesByMask(c.machine().fileSystem(), junk, "*", true); },
        // A link given as the folder itself is left alone.
        [&](BuiltContext& c) {
            auto& files = c.machine().fileSystem();
            for (const std::string& link : {junk + "\\cache.tmp", junk + "\\cache.tmp\\"}) {
                EXPECT_FALSE(DeleteFolderTree(files, link));
                EXPECT_FALSE(DeleteFolderTreeSafe(c.context(), link));
                EXPECT_FALSE(DeleteFilesByMask(files, link, "*", true));
            }
            DeleteFolderTree(files, junk);  // and then the folder that holds it
        },
    };
    for (std::size_t walk = 0; walk < std::size(walks); ++walk) {
        SCOPED_TRACE(walk);
        MachineBuilder b;
        b.file(junk + "\\old.tmp", 10).lastWrite(junk + "\\old.tmp", kLongAgo);
        b.file(junk + "\\deep\\old2.tmp", 10).lastWrite(junk + "\\deep\\old2.tmp", kLongAgo);
        b.symlink(junk + "\\cache.tmp", outside.path() / "precious");
        b.symlink(junk + "\\deep\\link", outside.path() / "precious");
        b.symlink(junk + "\\file.tmp", outside.path() / "single.tmp");
        BuiltContext c(b);
        walks[walk](c);
        EXPECT_EQ(survivors(), 4);
        for (const char* link : {"\\cache.tmp", "\\deep\\link", "\\file.tmp"}) {
            const auto info = c.machine().fileSystem().stat(junk + link);
            EXPECT_TRUE(info && info->isReparsePoint()) << link;
        }
        EXPECT_FALSE(c.machine().fileSystem().exists(junk + "\\old.tmp"));
    }
}

TEST_F(Files, PlainWalksKeepSystemFilesAndMaskedOnesDescendOnlyIntoMatches) {
    builder.file("C:\\t\\a.txt", 1).file("C:\\t\\s1\\s2\\c.txt", 1).folder("C:\\t\\empty");
    builder.file("C:\\u\\keep.sys", 1).attributes("C:\\u\\keep.sys", platform::fileattr::System);
    builder.file("C:\\u\\x\\gone.txt", 1);
    builder.file("C:\\m\\a.tmp", 1).file("C:\\m\\b.txt", 1);
    builder.file("C:\\m\\x.tmp\\in.tmp", 1).file("C:\\m\\x.tmp\\in.txt", 1);
    builder.file("C:\\m\\plain\\in.tmp", 1);
    builder.file("C:\\m\\s.tmp", 1).attributes("C:\\m\\s.tmp", platform::fileattr::System);
    build();
    EXPECT_TRUE(DeleteFolderTree(files(), "C:\\t\\"));
    EXPECT_FALSE(DeleteFolderTree(files(), "C:\\u"));  // a system file stays, so does its folder
    EXPECT_FALSE(DeleteFolderTree(files(), ""));
    EXPECT_EQ(onDisk({"C:\\t", "C:\\u\\keep.sys", "C:\\u\\x"}), "-+-");

    EXPECT_TRUE(DeleteFilesByMask(files(), "C:\\m", "*.tmp", false));  // not recursive
    EXPECT_EQ(onDisk({"C:\\m\\a.tmp", "C:\\m\\b.txt", "C:\\m\\s.tmp", "C:\\m\\x.tmp\\in.tmp"}),
              "-+++");
    DeleteFilesByMask(files(), "C:\\m\\", "*.tmp", true);  // "plain" does not match the mask
    EXPECT_EQ(onDisk({"C:\\m\\x.tmp\\in.tmp", "C:\\m\\x.tmp\\in.txt", "C:\\m\\plain\\in.tmp"}),
              "-++");
    // Nothing left to delete: no deletion, so no success.
    EXPECT_FALSE(DeleteFilesByMask(files(), "C:\\m", "*.tmp", true));
}

TEST_F(Files, DeleteFolderTreeSafeAndTheKeepRulesKeepRecentInUseSystemAndProtected) {
    const std::string t = kTemp;
    oldFile(t + "old.tmp").file(t + "recent.tmp", 1);  // written now
    oldFile(t + "busy.tmp");
    oldFile(t + "sys.tmp").attributes(t + "sys.tmp", platform::fileattr::System);
    oldFile(t + "Cookies\\c.txt");
    oldFile(t + "sub\\old.tmp");
    auto lock = builder.lock(t + "busy.tmp");
    auto& c = build();
    EXPECT_FALSE(DeleteFolderTreeSafe(c.context(), t));
    // old.tmp goes, sub is emptied and removed.
    const auto paths = {t + "old.tmp",  t + "sub",     t + "recent.tmp",
                        t + "busy.tmp", t + "sys.tmp", t + "Cookies\\c.txt"};
    EXPECT_EQ(onDisk(paths), "--++++");
    // A protected folder given directly is left alone too.
    EXPECT_FALSE(DeleteFolderTreeSafe(c.context(), t + "Cookies\\"));
    EXPECT_TRUE(files().exists(t + "Cookies\\c.txt"));
    // The keep rules themselves: the two-day boundary and the other reasons.
    const FileTime now = FileTime::fromUnix(1'700'000'000);
    const FileTime twoDaysAgo{now.ticks - kRecentFileTicks};
    const auto keep = [&](const std::string& file, std::uint32_t attributes, FileTime lastWrite,
                          bool ageTest) {
        return ShouldKeepFile(files(), file, attributes, lastWrite, ageTest, now);
    };
    const std::string f = t + "recent.tmp";
    EXPECT_TRUE(keep(f, 0, twoDaysAgo, true));  // exactly two days: recent
    EXPECT_FALSE(keep(f, 0, FileTime{twoDaysAgo.ticks - 1}, true));
    EXPECT_TRUE(keep(f, 0, FileTime{now.ticks + 1'000'000}, true));  // future
    EXPECT_FALSE(keep(f, 0, now, false));                            // no age test
    EXPECT_TRUE(keep(f, platform::fileattr::System, kLongAgo, false));
    EXPECT_TRUE(keep(f, platform::fileattr::ReparsePoint, kLongAgo, false));
    EXPECT_TRUE(keep(t + "busy.tmp", 0, kLongAgo, false));
    // Once the lock is gone the file goes.
    lock.release();
    EXPECT_FALSE(IsFileInUse(files(), t + "busy.tmp"));
    EXPECT_FALSE(keep(t + "busy.tmp", 0, kLongAgo, false));
    DeleteFolderTreeSafe(c.context(), t);
    EXPECT_FALSE(files().exists(t + "busy.tmp"));
}

// The index must answer every question exactly as the file system it lists does, whichever way
// the path is written; it only answers from memory.
TEST_F(Files, FolderIndexAnswersAsTheFileSystemDoes) {
    builder.file("C:\\Program Files\\Vendor\\App.exe", "MZ")
        .file("C:\\Program Files\\Vendor\\app.EXE", "MZ")  // a twin that differs in case only
        .folder("C:\\Program Files\\Vendor\\Tools")
        .file("C:\\boot.ini", "x")
        .symlink("C:\\Program Files\\Vendor\\Out", "/nonexistent-quorvel-target");
    build();
    const FolderIndex index(files());
    const char* paths[] = {"C:\\Program Files\\Vendor\\App.exe",
                           "C:\\PROGRAM FILES\\vendor\\APP.EXE",
                           "C:\\Program Files\\Vendor\\app.EXE",
                           "C:\\Program Files\\Vendor\\Tools",
                           "C:\\Program Files\\Vendor\\tools",
                           "C:\\Program Files\\Vendor\\Missing.exe",
                           "C:\\Program Files\\Vendor\\Out",
                           "C:\\Program Files\\Gone\\App.exe",
                           "C:\\boot.ini",
                           "C:\\BOOT.INI",
                           "C:\\PROGRA~1\\Vendor\\App.exe",
                           "C:\\Program Files\\Vendor\\..\\Vendor\\App.exe",
                           "C:\\Program Files\\Vendor\\App.exe.",
                           "C:\\Program Files\\Vendor\\App.exe ",
                           "C:\\Program Files\\Vendor\\A*.exe",
                           "C:/Program Files/Vendor/App.exe",
                           "Q:\\App.exe",
                           "App.exe",
                           "C:\\",
                           "C:\\Program Files\\Vendor\\Tools\\"};
    for (int round = 0; round < 2; ++round) {  // the second round answers from the listings
        for (const char* path : paths) {
            SCOPED_TRACE(path);
            EXPECT_EQ(index.exists(path, false), files().exists(path));
            EXPECT_EQ(index.exists(path, true), files().isFile(path));
        }
    }
}

TEST_F(Files, ShellWrappersPassShortcutsAndFailuresToTheCaller) {
    builder.file("C:\\links\\broken.lnk", std::string("L\0\0\0garbage", 11));
    builder.file("C:\\links\\plain.txt", "not a program")
        .shortcut("C:\\links\\app.lnk", "C:\\Program Files\\App\\app.exe", "App");
    auto& shell = build().machine().shell();
    const auto info = ReadShellLink(shell, "C:\\links\\app.lnk");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->targetPath, "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(info->description, "App");
    // Damaged and missing shortcuts are errors for the caller, never a crash.
    EXPECT_FALSE(ReadShellLink(shell, "C:\\links\\broken.lnk"));
    EXPECT_FALSE(ReadShellLink(shell, "C:\\links\\missing.lnk"));
    // A file without a version resource: empty texts and version 0.
    EXPECT_EQ(ReadVersionString(shell, "C:\\links\\plain.txt", "FileVersion"), "");
    EXPECT_EQ(DllVersion(shell, "C:\\links\\missing.dll"), 0U);
    // A failed recycle-bin query reports -1 and leaves the count alone.
    RecycleBinTotals totals{5, 3};
    RecycleBinSize(shell, "not a root", totals);
    EXPECT_EQ(totals.size, -1);
    EXPECT_EQ(totals.count, 3);
}

// A stand-in "wine" first on PATH records how it was called and exits with 7.
TEST_F(Files, RunAndWaitRunsOnlyWineRunnableProgramsOfTheMachine) {
    TempDir bin;
    std::ofstream(bin.path() / "wine") << "#!/bin/sh\n"
                                          "printf '%s\\n' \"$WINEPREFIX\" \"$@\" > \"$0.called\"\n"
                                          "exit 7\n";
    ::chmod((bin.path() / "wine").c_str(), 0755);
    const char* path = std::getenv("PATH");
    ScopedEnv onPath("PATH", bin.path().string() + ":" + (path ? path : ""));
    const auto called = bin.path() / "wine.called";
    builder.file("C:\\Program Files\\App\\app.exe", 10)
        .file("C:\\Program Files\\App\\readme.txt", 10);
    auto& c = build();

    EXPECT_EQ(RunAndWait(c.context(), "C:\\Program Files\\App\\app.exe /s \"two words\"", 1, [] {}),
              7U);
    std::vector<std::string> lines;
    std::ifstream in(called);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    EXPECT_EQ(lines,
              (std::vector<std::string>{builder.prefix().string(),
                                        "C:\\Program Files\\App\\app.exe", "/s", "two words"}));
    fs::remove(called);
    for (const char* line :
         {"\"C:\\Program Files\\App\\readme.txt\"", "C:\\Program Files\\App\\missing.exe", ""})
        EXPECT_EQ(RunAndWait(c.context(), line, 1), kRunFailed) << line;
    EXPECT_FALSE(fs::exists(called));
    ScopedEnv noWine("PATH", "/nonexistent");  // without wine nothing runs
    EXPECT_EQ(RunAndWait(c.context(), "C:\\Program Files\\App\\app.exe", 1), kRunFailed);
}

TEST(CommandLines, SplitLikeWindows) {
    EXPECT_EQ(SplitArguments(" a  \"b c\" d\\\"e \"\" f\\\\\"g h\""),
              (std::vector<std::string>{"a", "b c", "d\"e", "", "f\\g h"}));
    EXPECT_EQ(SplitArguments("C:\\dir\\ x"), (std::vector<std::string>{"C:\\dir\\", "x"}));
    EXPECT_TRUE(SplitArguments("   ").empty());
    EXPECT_EQ(SplitArguments("\"unclosed arg"), (std::vector<std::string>{"unclosed arg"}));
}

// File times as texts in the local time zone, pinned to UTC here.
TEST(FileTimes, TextDateTimeAndOrderOfTexts) {
    struct ZoneReset {
        ~ZoneReset() { tzset(); }
    } reset;  // runs after utc below has put TZ back
    ScopedEnv utc("TZ", "UTC");
    tzset();
    const auto t = FileTime::fromUnix(1700000000);  // 2023-11-14 22:13:20 UTC
    EXPECT_EQ(FileLastWriteAsText(t), "11/14/23 10:13:20 PM");
    EXPECT_NEAR(FileTimeToDateTime(t), 45244.0 + (22 * 3600 + 13 * 60 + 20) / 86400.0, 1e-9);
    EXPECT_EQ(FileLastWriteAsText(FileTime::fromUnix(0)), "01/01/70 12:00:00 AM");
    EXPECT_EQ(FileLastWriteAsText(FileTime::fromUnix(12 * 3600)), "01/01/70 12:00:00 PM");
    // Unconvertible times give the fallback.
    EXPECT_EQ(FileLastWriteAsText(FileTime{UINT64_MAX}), "01/01/80 12:00:00 AM");
    EXPECT_EQ(FileLastWriteAsText(FileTime{0x8000000000000000ULL}), "01/01/80 12:00:00 AM");
    EXPECT_NEAR(FileTimeToDateTime(FileTime{UINT64_MAX}), 29221.0, 1e-9);

    const auto a = FileLastWriteAsText(FileTime::fromUnix(1600000000));
    const auto b = FileLastWriteAsText(FileTime::fromUnix(1600000001));
    // PM after AM, 12 AM before 1 AM, the year before the month, 80..99 in the 1900s; unreadable
    // text counts as the earliest time.
    const std::tuple<std::string, std::string, int> rows[] = {
        {a, b, -1},
        {b, a, 1},
        {a, a, 0},
        {"01/01/23 01:00:00 PM", "01/01/23 11:00:00 AM", 1},
        {"01/01/23 12:30:00 AM", "01/01/23 01:00:00 AM", -1},
        {"12/31/22 11:59:59 PM", "01/01/23 12:00:00 AM", -1},
        {"01/01/99 12:00:00 AM", "01/01/05 12:00:00 AM", -1},
        {"garbage", "01/01/80 12:00:00 AM", 0},
        {"", "01/01/81 12:00:00 AM", -1},
        {"13/45/99 99:00:00 XM", "01/01/80 12:00:00 AM", 0}};
    for (const auto& [x, y, order] : rows)
        EXPECT_EQ(CompareDateTimeTexts(x, y), order) << x << " ~ " << y;
}

}  // namespace
}  // namespace quorvel::core
