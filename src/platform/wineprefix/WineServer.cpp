#include "platform/wineprefix/WineServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

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

std::vector<std::filesystem::path> WineServer::serverDirectories(
    const std::filesystem::path& prefix) {
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0) return {};
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::vector<std::filesystem::path> dirs{
        std::filesystem::path("/tmp/.wine-" + std::to_string(::getuid())) / name};

    std::ifstream named(prefix / "wineserver");
    std::string folder;
    if (named && std::getline(named, folder)) {
        while (!folder.empty() && (folder.back() == '\r' || folder.back() == ' '))
            folder.pop_back();
        const bool plain = !folder.empty() && folder != "." && folder != ".." &&
                           folder.find('/') == std::string::npos;
        if (plain) {
            dirs.push_back(std::filesystem::path("/tmp") / folder / name);
            std::error_code ec;
            const auto temp = std::filesystem::temp_directory_path(ec);
            if (!ec && temp != "/tmp") dirs.push_back(temp / folder / name);
        }
    }
    return dirs;
}

bool WineServer::isRunning(const std::filesystem::path& prefix) {
    for (const auto& dir : serverDirectories(prefix)) {
        const Fd fd(::open((dir / "lock").c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) continue;
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        probe.l_start = 0;
        probe.l_len = 0;
        if (::fcntl(fd.get(), F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) return true;
    }
    return false;
}

}  // namespace quorvel::platform::wineprefix
