#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "platform/wineprefix/WineServer.h"
#include "support/RunningWineServer.h"
#include "support/TempDir.h"

namespace quorvel::platform::wineprefix {
namespace {

using testing::TempDir;

using testing::LockHolder;

TEST(WineServer, NamesTheFolderOfThePrefixDeviceAndInode) {
    TempDir dir;
    struct stat st {};
    ASSERT_EQ(::stat(dir.path().c_str(), &st), 0);
    char expected[64];
    std::snprintf(expected, sizeof expected, "server-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    const auto dirs = WineServer::serverDirectories(dir.path());
    ASSERT_EQ(dirs.size(), 1u);
    EXPECT_EQ(dirs[0],
              std::filesystem::path("/tmp/.wine-" + std::to_string(::getuid())) / expected);
    EXPECT_TRUE(WineServer::serverDirectories(dir.path() / "missing").empty());
    EXPECT_FALSE(WineServer::isRunning(dir.path() / "missing"));
}

TEST(WineServer, RunningOnlyWhileTheLockIsHeld) {
    TempDir prefix;
    TempDir serverRoot;  // stands for Debian's private /tmp/wine-XXXXXX folder
    std::ofstream(prefix.path() / "wineserver") << serverRoot.path().filename().string() << "\n";
    const auto dirs = WineServer::serverDirectories(prefix.path());
    std::filesystem::path serverDir;
    for (const auto& d : dirs)
        if (d.parent_path() == serverRoot.path()) serverDir = d;
    ASSERT_FALSE(serverDir.empty());
    std::filesystem::create_directories(serverDir);

    EXPECT_FALSE(WineServer::isRunning(prefix.path()));  // no lock file yet
    std::ofstream(serverDir / "lock").put('x');
    EXPECT_FALSE(WineServer::isRunning(prefix.path()));  // a stale lock file of an old server
    {
        LockHolder holder(serverDir / "lock");
        ASSERT_TRUE(holder.locked());
        EXPECT_TRUE(isWineServerRunning(prefix.path()));
    }
    EXPECT_FALSE(WineServer::isRunning(prefix.path()));
}

TEST(WineServer, IgnoresAStrangeNameFile) {
    TempDir prefix;
    std::ofstream(prefix.path() / "wineserver") << "../etc\n";
    EXPECT_EQ(WineServer::serverDirectories(prefix.path()).size(), 1u);
}

}  // namespace
}  // namespace quorvel::platform::wineprefix
