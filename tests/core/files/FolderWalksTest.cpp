#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "core/environment/BuiltContext.h"
#include "core/files/FileKeepRules.h"
#include "core/files/FolderWalks.h"

namespace quorvel::core {
namespace {

namespace fs = std::filesystem;
using platform::FileTime;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;
using testsupport::BuiltContext;

constexpr const char* kJunk = "C:\\users\\tester\\Temp\\junk";
const FileTime kLongAgo = FileTime::fromUnix(1'000'000'000);  // 2001

// Data outside the folder being cleaned, reached only through links inside it.
struct Elsewhere {
    static constexpr const char* kFiles[] = {"precious/a.tmp", "precious/b.txt",
                                             "precious/sub.tmp/c.tmp", "single.tmp"};
    TempDir dir;
    Elsewhere() {
        fs::create_directories(dir.path() / "precious" / "sub.tmp");
        for (const char* name : kFiles)
            std::ofstream(dir.path() / name) << "keep me";
    }
    int survivors() const {
        int n = 0;
        for (const char* name : kFiles)
            n += fs::exists(dir.path() / name) ? 1 : 0;
        return n;
    }
};

// A temporary folder with old junk and three links: a folder link whose name matches "*.tmp",
// another folder link, and a file link.
void addJunkWithLinks(MachineBuilder& b, const Elsewhere& target) {
    b.file(std::string(kJunk) + "\\old.tmp", 10)
        .lastWrite(std::string(kJunk) + "\\old.tmp", kLongAgo);
    b.file(std::string(kJunk) + "\\deep\\old2.tmp", 10)
        .lastWrite(std::string(kJunk) + "\\deep\\old2.tmp", kLongAgo);
    b.symlink(std::string(kJunk) + "\\cache.tmp", target.dir.path() / "precious");
    b.symlink(std::string(kJunk) + "\\deep\\link", target.dir.path() / "precious");
    b.symlink(std::string(kJunk) + "\\file.tmp", target.dir.path() / "single.tmp");
}

void expectLinksInPlace(platform::FileSystem& files) {
    for (const char* link : {"\\cache.tmp", "\\deep\\link", "\\file.tmp"}) {
        const auto info = files.stat(std::string(kJunk) + link);
        ASSERT_TRUE(info) << link;
        EXPECT_TRUE(info->isReparsePoint()) << link;
    }
}

TEST(FolderWalks, NoWalkFollowsOrRemovesALink) {
    Elsewhere target;
    using Walk = std::function<void(BuiltContext&)>;
    const Walk walks[] = {
        [](BuiltContext& c) { EXPECT_FALSE(DeleteFolderTree(c.machine().fileSystem(), kJunk)); },
        [](BuiltContext& c) { EXPECT_FALSE(DeleteFolderTreeSafe(c.context(), kJunk)); },
        [](BuiltContext& c) { DeleteFilesByMask(c.machine().fileSystem(), kJunk, "*.tmp", true); },
        [](BuiltContext& c) { DeleteFilesByMask(c.machine().fileSystem(), kJunk, "*", true); },
    };
    for (int walk = 0; walk < 4; ++walk) {
        MachineBuilder b;
        addJunkWithLinks(b, target);
        BuiltContext c(b);
        auto& files = c.machine().fileSystem();
        walks[walk](c);
        SCOPED_TRACE(walk);
        EXPECT_EQ(target.survivors(), 4);
        expectLinksInPlace(files);
        EXPECT_FALSE(files.exists(std::string(kJunk) + "\\old.tmp"));
    }
}

TEST(FolderWalks, ALinkGivenAsTheFolderIsLeftAlone) {
    Elsewhere target;
    MachineBuilder b;
    b.symlink("C:\\users\\tester\\Temp\\linked", target.dir.path() / "precious");
    BuiltContext c(b);
    auto& files = c.machine().fileSystem();
    EXPECT_FALSE(DeleteFolderTree(files, "C:\\users\\tester\\Temp\\linked"));
    EXPECT_FALSE(DeleteFolderTree(files, "C:\\users\\tester\\Temp\\linked\\"));
    EXPECT_FALSE(DeleteFolderTreeSafe(c.context(), "C:\\users\\tester\\Temp\\linked"));
    EXPECT_FALSE(DeleteFilesByMask(files, "C:\\users\\tester\\Temp\\linked", "*", true));
    EXPECT_EQ(target.survivors(), 4);
    EXPECT_TRUE(files.exists("C:\\users\\tester\\Temp\\linked"));
}

TEST(FolderWalks, PlainWalksKeepSystemFilesAndMaskedOnesDescendOnlyIntoMatches) {
    MachineBuilder b;
    b.file("C:\\t\\a.txt", 1).file("C:\\t\\s1\\s2\\c.txt", 1).folder("C:\\t\\empty");
    b.file("C:\\u\\keep.sys", 1).attributes("C:\\u\\keep.sys", platform::fileattr::System);
    b.file("C:\\u\\x\\gone.txt", 1);
    b.file("C:\\m\\a.tmp", 1).file("C:\\m\\b.txt", 1);
    b.file("C:\\m\\x.tmp\\in.tmp", 1).file("C:\\m\\x.tmp\\in.txt", 1);
    b.file("C:\\m\\plain\\in.tmp", 1);
    b.file("C:\\m\\s.tmp", 1).attributes("C:\\m\\s.tmp", platform::fileattr::System);
    BuiltContext c(b);
    auto& files = c.machine().fileSystem();
    EXPECT_TRUE(DeleteFolderTree(files, "C:\\t\\"));
    EXPECT_FALSE(files.exists("C:\\t"));
    EXPECT_FALSE(DeleteFolderTree(files, "C:\\u"));  // a system file stays, so does its folder
    EXPECT_TRUE(files.exists("C:\\u\\keep.sys"));
    EXPECT_FALSE(files.exists("C:\\u\\x"));
    EXPECT_FALSE(DeleteFolderTree(files, ""));

    EXPECT_TRUE(DeleteFilesByMask(files, "C:\\m", "*.tmp", false));
    EXPECT_FALSE(files.exists("C:\\m\\a.tmp"));
    EXPECT_TRUE(files.exists("C:\\m\\b.txt"));
    EXPECT_TRUE(files.exists("C:\\m\\s.tmp"));
    EXPECT_TRUE(files.exists("C:\\m\\x.tmp\\in.tmp"));  // not recursive
    DeleteFilesByMask(files, "C:\\m\\", "*.tmp", true);
    EXPECT_FALSE(files.exists("C:\\m\\x.tmp\\in.tmp"));
    EXPECT_TRUE(files.exists("C:\\m\\x.tmp\\in.txt"));
    EXPECT_TRUE(files.exists("C:\\m\\plain\\in.tmp"));  // "plain" does not match the mask
    // Nothing left to delete: no deletion, so no success.
    EXPECT_FALSE(DeleteFilesByMask(files, "C:\\m", "*.tmp", true));
}

TEST(FolderWalks, DeleteFolderTreeSafeKeepsRecentInUseSystemAndProtected) {
    MachineBuilder b;
    const std::string t = "C:\\users\\tester\\Temp\\";
    b.file(t + "old.tmp", 1).lastWrite(t + "old.tmp", kLongAgo);
    b.file(t + "recent.tmp", 1);  // written now
    b.file(t + "busy.tmp", 1).lastWrite(t + "busy.tmp", kLongAgo);
    b.file(t + "sys.tmp", 1).lastWrite(t + "sys.tmp", kLongAgo);
    b.attributes(t + "sys.tmp", platform::fileattr::System);
    b.file(t + "Cookies\\c.txt", 1).lastWrite(t + "Cookies\\c.txt", kLongAgo);
    b.file(t + "sub\\old.tmp", 1).lastWrite(t + "sub\\old.tmp", kLongAgo);
    auto lock = b.lock(t + "busy.tmp");
    BuiltContext c(b);
    auto& files = c.machine().fileSystem();

    EXPECT_FALSE(DeleteFolderTreeSafe(c.context(), t));
    EXPECT_FALSE(files.exists(t + "old.tmp"));
    EXPECT_FALSE(files.exists(t + "sub"));  // emptied and removed
    EXPECT_TRUE(files.exists(t + "recent.tmp"));
    EXPECT_TRUE(files.exists(t + "busy.tmp"));
    EXPECT_TRUE(files.exists(t + "sys.tmp"));
    EXPECT_TRUE(files.exists(t + "Cookies\\c.txt"));
    // A protected folder given directly is left alone too.
    EXPECT_FALSE(DeleteFolderTreeSafe(c.context(), t + "Cookies\\"));
    EXPECT_TRUE(files.exists(t + "Cookies\\c.txt"));
    // Once the lock is gone the file goes.
    lock.release();
    DeleteFolderTreeSafe(c.context(), t);
    EXPECT_FALSE(files.exists(t + "busy.tmp"));
}

TEST(KeepRules, TwoDayBoundaryAndTheOtherReasons) {
    MachineBuilder b;
    b.file("C:\\k\\f.tmp", 1).file("C:\\k\\busy.tmp", 1);
    auto lock = b.lock("C:\\k\\busy.tmp");
    BuiltContext c(b);
    auto& files = c.machine().fileSystem();
    const FileTime now = FileTime::fromUnix(1'700'000'000);
    const FileTime twoDaysAgo{now.ticks - kRecentFileTicks};
    const auto keep = [&](std::string_view file, std::uint32_t attributes, FileTime lastWrite,
                          bool ageTest) {
        return ShouldKeepFile(files, file, attributes, lastWrite, ageTest, now);
    };
    EXPECT_TRUE(keep("C:\\k\\f.tmp", 0, twoDaysAgo, true));  // exactly two days: recent
    EXPECT_FALSE(keep("C:\\k\\f.tmp", 0, FileTime{twoDaysAgo.ticks - 1}, true));
    EXPECT_TRUE(keep("C:\\k\\f.tmp", 0, FileTime{now.ticks + 1'000'000}, true));  // future
    EXPECT_FALSE(keep("C:\\k\\f.tmp", 0, now, false));                            // no age test
    EXPECT_TRUE(keep("C:\\k\\f.tmp", platform::fileattr::System, kLongAgo, false));
    EXPECT_TRUE(keep("C:\\k\\f.tmp", platform::fileattr::ReparsePoint, kLongAgo, false));
    EXPECT_TRUE(keep("C:\\k\\busy.tmp", 0, kLongAgo, false));
    EXPECT_TRUE(IsFileInUse(files, "C:\\k\\busy.tmp"));
    lock.release();
    EXPECT_FALSE(IsFileInUse(files, "C:\\k\\busy.tmp"));
    EXPECT_FALSE(keep("C:\\k\\busy.tmp", 0, kLongAgo, false));
}

}  // namespace
}  // namespace quorvel::core
