#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/wineprefix/WineServer.h"
#include "support/TempDir.h"

namespace quorvel::testing {

// Holds a write lock on `lockFile` in a child process, the way a running wineserver does.
class LockHolder {
public:
    explicit LockHolder(const std::filesystem::path& lockFile) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            const char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0) ? '1' : '0';
            (void)!::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = '0';
        locked_ = ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
    }
    ~LockHolder() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool locked() const { return locked_; }

private:
    pid_t pid_ = -1;
    bool locked_ = false;
};

// Makes Wine's server look running for a prefix while it lives: the prefix names a private
// server folder (as Debian's Wine does) whose lock is held by a child process.
class RunningWineServer {
public:
    explicit RunningWineServer(const std::filesystem::path& prefix) {
        std::ofstream(prefix / "wineserver") << root_.path().filename().string() << "\n";
        for (const auto& d : platform::wineprefix::WineServer::serverDirectories(prefix)) {
            if (d.parent_path() != root_.path()) continue;
            std::filesystem::create_directories(d);
            holder_.emplace(d / "lock");
        }
    }
    bool running() const { return holder_ && holder_->locked(); }

private:
    TempDir root_;
    std::optional<LockHolder> holder_;
};

}  // namespace quorvel::testing
