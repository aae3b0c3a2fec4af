#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/wineprefix/WineFileSystem.h"
#include "platform/wineprefix/WinePathShortName.h"
#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace quorvel::platform;
using quorvel::platform::wineprefix::WineFileSystem;
using quorvel::testing::MachineBuilder;
using quorvel::testing::ReadWholeFile;
using quorvel::testing::TempDir;

namespace {

std::vector<std::string> names(const std::vector<FindData>& found) {
    std::vector<std::string> out;
    for (const auto& f : found)
        out.push_back(f.name);
    return out;
}

std::string rawXattr(const fs::path& p) {
    char buf[256];
    const ssize_t n = ::getxattr(p.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    return n < 0 ? std::string("<none>") : std::string(buf, static_cast<std::size_t>(n));
}

class WineFileSystemTest : public ::testing::Test {
protected:
    MachineBuilder b;
    WineFileSystem files{b.prefix()};
};

}  // namespace

TEST_F(WineFileSystemTest, ResolvesEveryComponentIgnoringCase) {
    b.file("C:\\Data\\Sub\\MixedCase.TXT", "hello");
    const auto d = files.stat("c:/DATA/sub/mixedcase.txt");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->name, "MixedCase.TXT");  // the on-disk spelling
    EXPECT_EQ(d->size, 5u);
    EXPECT_EQ(files.readFile("C:\\data\\SUB\\..\\Sub\\.\\MIXEDCASE.txt").value(), "hello");

    // Writing an existing name in another case replaces that file instead of adding a twin.
    ASSERT_TRUE(files.writeFile("C:\\DATA\\SUB\\mixedcase.txt", "bye"));
    EXPECT_EQ(names(files.find("C:\\Data\\Sub\\*")), std::vector<std::string>{"MixedCase.TXT"});
    EXPECT_EQ(ReadWholeFile(b.prefix() / "drive_c/Data/Sub/MixedCase.TXT"), "bye");

    // A new file keeps the spelling it was given; its folder is found case-insensitively.
    ASSERT_TRUE(files.writeFile("C:\\data\\sub\\New.Txt", "x"));
    EXPECT_TRUE(fs::exists(b.prefix() / "drive_c/Data/Sub/New.Txt"));
}

TEST_F(WineFileSystemTest, MissingDrivesFoldersAndBadPathsAreReportedNotFollowed) {
    EXPECT_EQ(files.attributes("Q:\\anything"), fileattr::Invalid);
    EXPECT_EQ(files.attributes("C:\\no\\such\\file"), fileattr::Invalid);
    EXPECT_EQ(files.writeFile("C:\\no\\such\\file", "x").code(), ErrorCode::PathNotFound);
    EXPECT_EQ(files.readFile("C:\\nothing.txt").status().code(), ErrorCode::FileNotFound);
    for (const char* bad : {"", "C", "relative.txt", "\\\\server\\share\\f", "C:\\a:b", "C:\\*"}) {
        EXPECT_FALSE(files.stat(bad)) << bad;
        EXPECT_FALSE(files.writeFile(bad, "x")) << bad;
    }
    EXPECT_TRUE(files.find("").empty());
    EXPECT_TRUE(files.find("C:\\windows\\").empty());
    // ".." never leaves the drive.
    EXPECT_FALSE(files.stat("C:\\..\\..\\system.reg"));
    EXPECT_TRUE(files.isDirectory("C:\\"));
}

TEST_F(WineFileSystemTest, FindFollowsWindowsWildcardsInNameOrder) {
    for (const char* n : {"b.TXT", "a.txt", "noext", "archive.tar.gz", "Zeta", ".hidden"})
        b.file(std::string("C:\\w\\") + n, "1");
    b.folder("C:\\w\\Sub");
    EXPECT_EQ(names(files.find("C:\\w\\*.*")),
              (std::vector<std::string>{".hidden", "a.txt", "archive.tar.gz", "b.TXT", "noext",
                                        "Sub", "Zeta"}));
    EXPECT_EQ(names(files.find("C:\\w\\*")), names(files.find("C:\\w\\*.*")));
    EXPECT_EQ(names(files.find("c:\\W\\*.")), (std::vector<std::string>{"noext", "Sub", "Zeta"}));
    EXPECT_EQ(names(files.find("C:\\w\\*.TXT")), (std::vector<std::string>{"a.txt", "b.TXT"}));
    EXPECT_EQ(names(files.find("C:\\w\\?.txt")), (std::vector<std::string>{"a.txt", "b.TXT"}));
    // Without a wildcard: the one entry, in its on-disk spelling.
    EXPECT_EQ(names(files.find("C:\\w\\ZETA")), std::vector<std::string>{"Zeta"});
    EXPECT_TRUE(files.find("C:\\w\\.").empty());
    EXPECT_TRUE(files.find("C:\\missing\\*").empty());
    const auto sub = files.find("C:\\w\\sub");
    ASSERT_EQ(sub.size(), 1u);
    EXPECT_TRUE(sub[0].isDirectory());
}

TEST_F(WineFileSystemTest, HiddenAndSystemLiveInTheDosAttribXattr) {
    b.file("C:\\f.txt", "x");
    const auto host = b.hostPath("C:\\f.txt");
    EXPECT_EQ(files.attributes("C:\\f.txt"), fileattr::Archive);

    ASSERT_TRUE(files.setAttributes("C:\\f.txt", fileattr::Hidden | fileattr::System));
    EXPECT_EQ(rawXattr(host), "0x6");  // Wine's own text form
    EXPECT_EQ(files.attributes("C:\\F.TXT"),
              fileattr::Archive | fileattr::Hidden | fileattr::System);

    ASSERT_TRUE(files.setAttributes("C:\\f.txt", fileattr::Normal));
    EXPECT_EQ(files.attributes("C:\\f.txt"), fileattr::Archive);
    EXPECT_EQ(rawXattr(host), "<none>");  // nothing left to store

    // Written by another program: only hidden and system are taken from it, and bits we do not
    // manage survive our own update.
    ASSERT_EQ(::setxattr(host.c_str(), "user.DOSATTRIB", "0x22", 4, 0), 0);
    EXPECT_EQ(files.attributes("C:\\f.txt"), fileattr::Archive | fileattr::Hidden);
    ASSERT_TRUE(files.setAttributes("C:\\f.txt", fileattr::System));
    EXPECT_EQ(rawXattr(host), "0x24");

    // Unreadable data hides nothing and breaks nothing.
    ASSERT_EQ(::setxattr(host.c_str(), "user.DOSATTRIB", "\xff\xfe", 2, 0), 0);
    EXPECT_EQ(files.attributes("C:\\f.txt"), fileattr::Archive);
}

TEST_F(WineFileSystemTest, DotFilesAreHiddenUnlessTheXattrSaysOtherwise) {
    b.file("C:\\.config", "x");
    b.folder("C:\\.cache");
    EXPECT_EQ(files.attributes("C:\\.config"), fileattr::Archive | fileattr::Hidden);
    EXPECT_EQ(files.attributes("C:\\.cache"), fileattr::Directory | fileattr::Hidden);
    // Un-hiding a dot file must be stored explicitly, as Wine does.
    ASSERT_TRUE(files.setAttributes("C:\\.config", fileattr::Normal));
    EXPECT_EQ(rawXattr(b.hostPath("C:\\.config")), "0x0");
    EXPECT_EQ(files.attributes("C:\\.config"), fileattr::Archive);
}

TEST_F(WineFileSystemTest, ReadOnlyIsTheOwnerWriteBitAndIsHonouredEvenForRoot) {
    b.file("C:\\ro.txt", "keep");
    const auto host = b.hostPath("C:\\ro.txt");
    ASSERT_TRUE(files.setAttributes("C:\\ro.txt", fileattr::ReadOnly));
    EXPECT_EQ(fs::status(host).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(files.attributes("C:\\ro.txt"), fileattr::Archive | fileattr::ReadOnly);
    EXPECT_EQ(files.deleteFile("C:\\ro.txt").code(), ErrorCode::AccessDenied);
    EXPECT_EQ(files.writeFile("C:\\ro.txt", "lost").code(), ErrorCode::AccessDenied);
    EXPECT_EQ(files.writeFile("C:\\ro.txt", "lost", WriteMode::Durable).code(),
              ErrorCode::AccessDenied);
    EXPECT_TRUE(files.isInUse("C:\\ro.txt"));  // cannot be opened for writing
    EXPECT_EQ(ReadWholeFile(host), "keep");
    ASSERT_TRUE(files.setAttributes("C:\\ro.txt", fileattr::Normal));
    EXPECT_TRUE(files.deleteFile("C:\\ro.txt"));
}

TEST_F(WineFileSystemTest, SymlinksAreReparsePointsAndDeletesNeverFollowThem) {
    TempDir outside;
    fs::create_directories(outside.path() / "folder");
    std::ofstream(outside.path() / "folder" / "precious.txt") << "keep me";
    std::ofstream(outside.path() / "file.txt") << "keep me too";
    b.symlink("C:\\linkdir", outside.path() / "folder");
    b.symlink("C:\\linkfile", outside.path() / "file.txt");
    b.symlink("C:\\dangling", outside.path() / "gone");

    const auto dir = files.stat("C:\\linkdir");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->attributes, fileattr::ReparsePoint | fileattr::Directory);
    EXPECT_EQ(files.attributes("C:\\linkfile"), fileattr::ReparsePoint | fileattr::Archive);
    EXPECT_EQ(files.attributes("C:\\dangling"), fileattr::ReparsePoint | fileattr::Archive);
    const auto listed = files.find("C:\\link*");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_TRUE(listed[0].isReparsePoint());
    EXPECT_TRUE(listed[1].isReparsePoint());
    // Paths through a link reach the target, as they do in Wine.
    EXPECT_EQ(files.readFile("C:\\LINKDIR\\precious.txt").value(), "keep me");

    EXPECT_EQ(files.deleteFile("C:\\linkdir").code(), ErrorCode::Success);  // removes the link
    EXPECT_TRUE(files.deleteFile("C:\\linkfile"));
    EXPECT_TRUE(files.removeDirectory("C:\\dangling"));
    EXPECT_EQ(ReadWholeFile(outside.path() / "folder" / "precious.txt"), "keep me");
    EXPECT_EQ(ReadWholeFile(outside.path() / "file.txt"), "keep me too");
    EXPECT_FALSE(fs::exists(fs::symlink_status(b.prefix() / "drive_c/linkdir")));

    b.symlink("C:\\again", outside.path() / "folder");
    EXPECT_TRUE(files.removeDirectory("C:\\again"));  // the link only, not the full folder
    EXPECT_TRUE(fs::exists(outside.path() / "folder" / "precious.txt"));
}

TEST_F(WineFileSystemTest, FoldersAreRemovedOnlyWhenEmpty) {
    b.file("C:\\full\\f.txt", "x");
    EXPECT_EQ(files.removeDirectory("C:\\full").code(), ErrorCode::DirNotEmpty);
    EXPECT_EQ(files.deleteFile("C:\\full").code(), ErrorCode::AccessDenied);
    EXPECT_EQ(files.removeDirectory("C:\\full\\f.txt").code(), ErrorCode::InvalidParameter);
    EXPECT_EQ(files.removeDirectory("C:\\").code(), ErrorCode::AccessDenied);
    // The root is the drive's dosdevices link: no operation may remove or move it.
    EXPECT_EQ(files.deleteFile("C:\\").code(), ErrorCode::AccessDenied);
    EXPECT_EQ(files.deleteFile("c:").code(), ErrorCode::AccessDenied);
    EXPECT_EQ(files.moveFile("C:\\", "C:\\moved", false).code(), ErrorCode::AccessDenied);
    EXPECT_TRUE(fs::is_symlink(b.prefix() / "dosdevices" / "c:"));
    EXPECT_EQ(files.createDirectory("C:\\full").code(), ErrorCode::AlreadyExists);
    EXPECT_EQ(files.createDirectory("C:\\no\\parent").code(), ErrorCode::PathNotFound);
    ASSERT_TRUE(files.createDirectoryTree("C:\\deep\\er\\folder"));
    EXPECT_TRUE(files.isDirectory("C:\\DEEP\\ER\\FOLDER"));
}

TEST_F(WineFileSystemTest, InUseWhileAnotherProcessHoldsALock) {
    b.file("C:\\users\\tester\\Temp\\busy.tmp", "x");
    const std::string path = "C:\\users\\tester\\Temp\\BUSY.TMP";
    EXPECT_FALSE(files.isInUse(path));
    {
        auto held = b.lock(path);
        EXPECT_TRUE(files.isInUse(path));
        held.release();
        EXPECT_FALSE(files.isInUse(path));
    }
    EXPECT_FALSE(files.isInUse("C:\\missing.tmp"));
    EXPECT_FALSE(files.isInUse("C:\\windows"));
}

TEST_F(WineFileSystemTest, SpecialFilesNeverHang) {
    const auto fifo = b.hostPath("C:\\pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(files.readFile("C:\\pipe"));
    EXPECT_FALSE(files.writeFile("C:\\pipe", "x"));
    EXPECT_FALSE(files.isInUse("C:\\pipe"));
    EXPECT_FALSE(files.copyFile("C:\\pipe", "C:\\copy", false));
}

TEST_F(WineFileSystemTest, DurableWritesReplaceAtomicallyAndKeepWhatTheFileHad) {
    b.file("C:\\cfg.ini", "old");
    ASSERT_TRUE(files.setAttributes("C:\\cfg.ini", fileattr::Hidden));
    const auto host = b.hostPath("C:\\cfg.ini");
    fs::permissions(host, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(files.writeFile("C:\\CFG.INI", "new contents", WriteMode::Durable));
    EXPECT_EQ(ReadWholeFile(host), "new contents");
    EXPECT_EQ(fs::status(host).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(files.attributes("C:\\cfg.ini"), fileattr::Archive | fileattr::Hidden);
    EXPECT_EQ(files.find("C:\\*cfg.ini*").size(), 1u);  // no temporary file left

    // Through a link within the prefix the target gets the contents and the link stays a link.
    b.file("C:\\real.ini", "a");
    b.symlink("C:\\linked.ini", b.hostPath("C:\\real.ini"));
    ASSERT_TRUE(files.writeFile("C:\\linked.ini", "b", WriteMode::Durable));
    EXPECT_EQ(ReadWholeFile(b.hostPath("C:\\real.ini")), "b");
    EXPECT_TRUE(fs::is_symlink(b.hostPath("C:\\linked.ini")));
}

TEST_F(WineFileSystemTest, NothingIsChangedOutsideThePrefix) {
    b.file("C:\\src.txt", "source");
    TempDir outside;
    const auto precious = outside.path() / "precious.txt";
    std::ofstream(precious) << "keep";
    fs::create_directories(outside.path() / "home");
    std::ofstream(outside.path() / "home" / "doc.txt") << "keep";
    b.symlink("C:\\out.ini", precious);                         // a file link
    b.symlink("C:\\dangling.ini", outside.path() / "new.txt");  // a link to nothing yet
    b.symlink("C:\\users\\Desktop", outside.path() / "home");   // as Wine links Desktop
    fs::create_directory_symlink("/", b.prefix() / "dosdevices" / "z:");
    const std::string hostZ = "Z:" + outside.path().string();
    std::string zPath = hostZ;
    std::replace(zPath.begin(), zPath.end(), '/', '\\');

    for (const std::string& path :
         {std::string("C:\\out.ini"), std::string("C:\\dangling.ini"),
          std::string("C:\\users\\Desktop\\doc.txt"), std::string("C:\\users\\Desktop\\new.txt"),
          zPath + "\\precious.txt", zPath + "\\new.txt"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(files.staysInside(path));
        for (const WriteMode mode : {WriteMode::Plain, WriteMode::Durable}) {
            const Status s = files.writeFile(path, "changed", mode);
            EXPECT_EQ(s.code(), ErrorCode::AccessDenied);
            EXPECT_NE(s.message().find("outside the machine"), std::string::npos) << s.message();
        }
        EXPECT_FALSE(files.setAttributes(path, fileattr::Hidden));
        EXPECT_FALSE(files.copyFile("C:\\src.txt", path, false));
    }
    EXPECT_FALSE(files.deleteFile("C:\\users\\Desktop\\doc.txt"));
    EXPECT_FALSE(files.deleteFile(zPath + "\\precious.txt"));
    EXPECT_FALSE(files.createDirectory("C:\\users\\Desktop\\sub"));
    EXPECT_FALSE(files.moveFile(zPath + "\\precious.txt", "C:\\taken.txt", false));
    EXPECT_EQ(ReadWholeFile(precious), "keep");
    EXPECT_EQ(ReadWholeFile(outside.path() / "home" / "doc.txt"), "keep");
    EXPECT_FALSE(fs::exists(outside.path() / "new.txt"));
    EXPECT_FALSE(fs::exists(outside.path() / "home" / "new.txt"));
    EXPECT_FALSE(fs::exists(outside.path() / "home" / "sub"));

    // The links themselves lie in the prefix: removing one leaves its target alone.
    EXPECT_TRUE(files.staysInside("C:\\src.txt"));
    EXPECT_TRUE(files.deleteFile("C:\\out.ini"));
    EXPECT_EQ(ReadWholeFile(precious), "keep");

    // A folder that was inside when a deletion there went through, replaced by a link out of
    // the prefix between two deletions: the second one is refused.
    b.file("C:\\swap\\a.txt", "a").file("C:\\swap\\doc.txt", "b");
    std::ofstream(outside.path() / "home" / "a.txt") << "keep";
    EXPECT_TRUE(files.deleteFile("C:\\swap\\doc.txt"));
    fs::rename(b.hostPath("C:\\swap"), b.prefix() / "swapped");
    b.symlink("C:\\swap", outside.path() / "home");
    EXPECT_FALSE(files.deleteFile("C:\\swap\\a.txt"));
    EXPECT_FALSE(files.deleteFile("C:\\swap\\doc.txt"));
    EXPECT_EQ(ReadWholeFile(outside.path() / "home" / "a.txt"), "keep");
    EXPECT_EQ(ReadWholeFile(outside.path() / "home" / "doc.txt"), "keep");
}

TEST_F(WineFileSystemTest, MoveAndCopyFollowMoveFileExAndCopyFileRules) {
    b.file("C:\\m\\a.txt", "A").file("C:\\m\\b.txt", "B");
    EXPECT_EQ(files.moveFile("C:\\m\\a.txt", "C:\\m\\B.TXT", false).code(),
              ErrorCode::AlreadyExists);
    ASSERT_TRUE(files.moveFile("C:\\m\\a.txt", "C:\\m\\b.txt", true));
    EXPECT_EQ(files.readFile("C:\\m\\b.txt").value(), "A");
    // A case-only rename.
    ASSERT_TRUE(files.moveFile("C:\\m\\b.txt", "C:\\m\\B.txt", false));
    EXPECT_EQ(names(files.find("C:\\m\\*")), std::vector<std::string>{"B.txt"});

    // A copy onto itself must not truncate it.
    EXPECT_EQ(files.copyFile("C:\\m\\B.txt", "c:\\M\\b.TXT", false).code(),
              ErrorCode::SharingViolation);
    EXPECT_EQ(files.readFile("C:\\m\\B.txt").value(), "A");
    ASSERT_TRUE(files.copyFile("C:\\m\\B.txt", "C:\\m\\c.txt", true));
    EXPECT_EQ(files.copyFile("C:\\m\\B.txt", "C:\\m\\c.txt", true).code(), ErrorCode::FileExists);
    EXPECT_EQ(files.readFile("C:\\m\\c.txt").value(), "A");
    EXPECT_EQ(files.copyFile("C:\\m", "C:\\m2", false).code(), ErrorCode::AccessDenied);
}

TEST_F(WineFileSystemTest, TimesAreFileTimes) {
    b.file("C:\\t.txt", "x");
    const FileTime when = FileTime::fromUnix(1000000000, 500);
    b.lastWrite("C:\\t.txt", when);
    const auto d = files.stat("C:\\t.txt");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->lastWriteTime, when);
    ASSERT_TRUE(files.setFileTimes("C:\\t.txt", std::nullopt, when, std::nullopt));
    EXPECT_EQ(files.stat("C:\\t.txt")->lastAccessTime, when);
    EXPECT_EQ(files.stat("C:\\t.txt")->lastWriteTime, when);
}

TEST_F(WineFileSystemTest, LongPathNamesResolveShortAliases) {
    b.folder("C:\\Program Files (x86)\\Long Application Name");
    b.file("C:\\Program Files\\readme document.txt", "x");
    EXPECT_EQ(files.longPathName("C:\\PROGRA~1"), "C:\\Program Files");
    EXPECT_EQ(files.longPathName("c:\\progra~2\\LONGAP~1\\"),
              "C:\\Program Files (x86)\\Long Application Name\\");
    EXPECT_EQ(files.longPathName("C:\\PROGRA~1\\README~1.TXT"),
              "C:\\Program Files\\readme document.txt");
    // Wine's own hashed alias of the name.
    const std::string alias = quorvel::platform::wineprefix::wineShortName("Long Application Name");
    EXPECT_EQ(files.longPathName("C:\\Program Files (x86)\\" + alias),
              "C:\\Program Files (x86)\\Long Application Name");
    // Long components keep the spelling they were given; missing paths give nothing.
    EXPECT_EQ(files.longPathName("C:\\windows\\SYSTEM32"), "C:\\windows\\SYSTEM32");
    EXPECT_FALSE(files.longPathName("C:\\PROGRA~9"));
    EXPECT_FALSE(files.longPathName("C:\\nothing~1\\x"));
}

TEST_F(WineFileSystemTest, HostAndWindowsPathsMapBothWays) {
    TempDir other;
    b.drive('E', other.path());
    EXPECT_EQ(files.windowsPath(b.prefix() / "drive_c" / "windows" / "win.ini"),
              "C:\\windows\\win.ini");
    EXPECT_EQ(files.windowsPath(other.path() / "x"), "E:\\x");
    EXPECT_EQ(files.windowsPath(b.prefix() / "drive_c"), "C:\\");
    EXPECT_FALSE(files.windowsPath("/definitely/elsewhere"));
    EXPECT_EQ(files.driveLetters(), (std::vector<char>{'C', 'E'}));
}
