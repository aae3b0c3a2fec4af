#include "platform/wineprefix/WineServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace quorvel::platform::wineprefix {
namespace {

// Closes a file descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::filesystem::path WineServer::serverDirectory(const std::filesystem::path& prefix) {
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0) return {};
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    const std::string root = "/tmp/.wine-" + std::to_string(::getuid());
    return std::filesystem::path(root) / name;
}

bool WineServer::isRunning(const std::filesystem::path& prefix) {
    const std::filesystem::path dir = serverDirectory(prefix);
    if (dir.empty()) return false;
    const Fd fd(::open((dir / "lock").c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    if (::fcntl(fd.get(), F_GETLK, &probe) != 0) return false;
    return probe.l_type != F_UNLCK;
}

}  // namespace quorvel::platform::wineprefix
