#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/wineprefix/Hive.h"

namespace quorvel::platform::wineprefix {
namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int reset() {
        const int r = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

Status failure(const std::filesystem::path& file, const char* what, int err) {
    return {ErrorCode::AccessDenied,
            "Could not save " + file.string() + ": " + what + ": " + std::strerror(err)};
}

}  // namespace

Status writeFileAtomically(const std::filesystem::path& file, std::string_view text) {
    // A symbolic link is followed, so the link itself stays in place.
    std::error_code ec;
    std::filesystem::path target = file;
    if (std::filesystem::is_symlink(file, ec)) {
        const auto resolved = std::filesystem::canonical(file, ec);
        if (!ec) target = resolved;
    }
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::string tempName(".");
    tempName += target.filename().string();
    tempName += ".XXXXXX";
    std::string temp = (folder / tempName).string();
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) return failure(target, "cannot create a temporary file", errno);

    bool done = false;
    struct Cleanup {
        const std::string& path;
        const bool& done;
        ~Cleanup() {
            if (!done) ::unlink(path.c_str());
        }
    } cleanup{temp, done};

    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd.get(), mode) != 0) return failure(target, "cannot set permissions", errno);

    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return failure(target, "write failed", errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0) return failure(target, "fsync failed", errno);
    if (fd.reset() != 0) return failure(target, "close failed", errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) return failure(target, "rename failed", errno);
    done = true;
    const Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return Status::ok();
}

}  // namespace quorvel::platform::wineprefix
