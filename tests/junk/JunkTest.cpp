#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>

#include "junk/JunkClean.h"
#include "junk/JunkScan.h"
#include "support/EngineSession.h"
#include "support/FakeInternetCache.h"
#include "support/MachineBuilder.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;
using junk::JunkFindings;
using platform::CacheContainer;
using platform::CacheEntry;
namespace cacheentry = platform::cacheentry;

constexpr std::uint64_t kFiveGiB = 5'368'709'120ULL;

platform::FileTime daysAgo(int days) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return platform::FileTime::fromUnix(
        std::chrono::duration_cast<std::chrono::seconds>(now).count() - days * 86400LL);
}

void write(const fs::path& p, std::size_t size) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << std::string(size, 'x');
}

// One machine whose junk is known exactly, with the freedesktop trash shared with the "desktop"
// (HOME points at a temporary folder):
//   trash      mine.txt (20 bytes, trashed from the prefix), desktop.txt (50, from the home)
//   %TEMP%     old.txt 100, sub\old2.txt 50, big.bin sparse 5 GiB: old, counted
//              today.txt (written now), sys.txt (old, system): left
//              History\old.dat (protected, other case): not entered
//              dirlink, filelink: links to a folder and a file outside the prefix
//   C:\windows\TEMP\old3.txt 10 old, counted
//   cache      two normal entries (1000 + 2000 bytes) and a cookie
class JunkTest : public ::testing::Test {
protected:
    void SetUp() override {
        b.sharedRecycleBin();
        session.emplace(wrapped, programDir.path());
        tempDir = session->globals.TempDir;
        ASSERT_FALSE(tempDir.empty());

        const auto trash = home.path() / "data" / "Trash";
        trashItem(trash, "mine.txt", 20, b.hostPath("C:\\users\\tester\\mine.txt"));
        trashItem(trash, "desktop.txt", 50, home.path() / "desktop.txt");

        oldFile(tempDir + "old.txt", 100);
        oldFile(tempDir + "sub\\old2.txt", 50);
        oldFile(tempDir + "big.bin", 0);
        fs::resize_file(b.hostPath(tempDir + "big.bin"), kFiveGiB);  // sparse
        b.lastWrite(tempDir + "big.bin", daysAgo(10));
        b.file(tempDir + "today.txt", 30);
        oldFile(tempDir + "sys.txt", 40);
        b.attributes(tempDir + "sys.txt", platform::fileattr::System);
        oldFile(tempDir + "History\\old.dat", 60);
        oldFile(session->globals.WinDir + "TEMP\\old3.txt", 10);
        write(outside.path() / "folder" / "keep.dat", 1000);
        write(outside.path() / "file.dat", 500);
        b.symlink(tempDir + "dirlink", outside.path() / "folder");
        b.symlink(tempDir + "filelink", outside.path() / "file.dat");
        // Links and targets dated back, so that only the walk's refusal to follow keeps them.
        for (const auto& p : {outside.path() / "folder" / "keep.dat", outside.path() / "file.dat",
                              b.hostPath(tempDir + "dirlink"), b.hostPath(tempDir + "filelink")})
            dateBack(p);

        auto& content = cache.container(CacheContainer::Content);
        content.push_back({"http://a.example/1", "C:\\cache\\1", 1000, cacheentry::Normal});
        content.push_back({"http://a.example/2", "C:\\cache\\2", 2000, cacheentry::Normal});
        content.push_back({"Cookie:tester@a.example/", "", 70, cacheentry::Cookie});
    }

    void trashItem(const fs::path& trash, const std::string& name, std::size_t size,
                   const fs::path& from) {
        write(trash / "files" / name, size);
        fs::create_directories(trash / "info");
        std::ofstream(trash / "info" / (name + ".trashinfo"))
            << "[Trash Info]\nPath=" << from.string() << "\n";
    }
    static void dateBack(const fs::path& p) {
        const timespec old{std::time(nullptr) - 10 * 86400L, 0};
        const timespec times[2] = {old, old};
        ::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    void oldFile(const std::string& path, std::size_t size) {
        b.file(path, size);
        b.lastWrite(path, daysAgo(10));
    }
    bool exists(const std::string& windowsPath) const {
        return fs::exists(fs::symlink_status(b.hostPath(windowsPath)));
    }

    template <class W, class... Args>
    W& run(Args&&... args) {
        return session->run<W>(findings, session->status, session->context, session->bridge,
                               std::forward<Args>(args)...);
    }

    TempDir home;
    ScopedEnv xdg{"XDG_DATA_HOME", (home.path() / "data").string()};
    ScopedEnv homeVar{"HOME", home.path().string()};
    TempDir outside;
    TempDir programDir;
    MachineBuilder b;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine = b.build();
    FakeInternetCache cache;
    MachineWithCache wrapped{*machine, cache};
    std::optional<EngineSession> session;
    JunkFindings findings;
    std::string tempDir;
};

TEST_F(JunkTest, ScanMeasuresTheMachinesJunkAndTheCleanRemovesOnlyThat) {
    run<junk::TJunkScan>();
    ASSERT_EQ(findings.size(), 3u);
    const std::pair<std::int64_t, std::int64_t> expected[] = {
        {20, 1}, {100 + 50 + static_cast<std::int64_t>(kFiveGiB) + 10, 4}, {3000, 2}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(findings[i].Category, i);
        EXPECT_EQ((std::pair{findings[i].Size, findings[i].Count}), expected[i]) << i;
        EXPECT_TRUE(findings[i].Selected) << "no DiskCleaner key: selected";
    }

    auto& clean = run<junk::TJunkClean>();
    EXPECT_TRUE(clean.result().recycleBin) << clean.result().recycleBin.message();
    EXPECT_EQ(clean.result().filesDeleted, 4);
    const auto trash = home.path() / "data" / "Trash" / "files";
    EXPECT_FALSE(fs::exists(trash / "mine.txt"));
    EXPECT_TRUE(fs::exists(trash / "desktop.txt"));
    for (const char* gone : {"old.txt", "sub", "big.bin", "dirlink", "filelink"})
        EXPECT_FALSE(exists(tempDir + gone)) << gone;
    for (const char* kept : {"today.txt", "sys.txt", "History\\old.dat"})
        EXPECT_TRUE(exists(tempDir + kept)) << kept;
    EXPECT_TRUE(exists(tempDir));
    EXPECT_FALSE(exists(session->globals.WinDir + "TEMP\\old3.txt"));
    EXPECT_TRUE(exists(session->globals.WinDir + "TEMP"));
    EXPECT_EQ(fs::file_size(outside.path() / "folder" / "keep.dat"), 1000u);
    EXPECT_EQ(fs::file_size(outside.path() / "file.dat"), 500u);
    ASSERT_EQ(cache.container(CacheContainer::Content).size(), 1u);
    EXPECT_EQ(cache.container(CacheContainer::Content)[0].entryType, cacheentry::Cookie);
}

TEST_F(JunkTest, UnselectedCategoriesAndADryRunChangeNothing) {
    ASSERT_TRUE(junk::StoreCategorySelected(wrapped, 0, false));
    ASSERT_TRUE(junk::StoreCategorySelected(wrapped, 2, false));
    run<junk::TJunkScan>();
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_FALSE(findings[0].Selected);
    EXPECT_TRUE(findings[1].Selected);  // no value for "1"
    EXPECT_FALSE(findings[2].Selected);

    auto& dry = run<junk::TJunkClean>(true);
    EXPECT_EQ(dry.result().filesDeleted, 4);
    EXPECT_TRUE(exists(tempDir + "old.txt"));

    run<junk::TJunkClean>();
    EXPECT_FALSE(exists(tempDir + "old.txt"));
    EXPECT_TRUE(fs::exists(home.path() / "data" / "Trash" / "files" / "mine.txt"));
    EXPECT_EQ(cache.container(CacheContainer::Content).size(), 3u);
}

TEST_F(JunkTest, StopDuringTheTemporaryFilesWalkLeavesNoCacheRecord) {
    junk::TJunkScan* scan = nullptr;
    ObservedFileSystem files(machine->fileSystem(), [&](std::string_view pattern) {
        if (scan && pattern.find("sub") != std::string_view::npos) scan->requestStop();
    });
    MachineWithCache stopping(*machine, cache, &files);
    EngineSession s(stopping, programDir.path());
    junk::TJunkScan stopped(findings, s.status, s.context, s.bridge);
    scan = &stopped;
    stopped.start();
    stopped.wait();
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[1].Category, 1);
}

}  // namespace
}  // namespace quorvel::testing
