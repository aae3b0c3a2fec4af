#include "platform/wineprefix/PrefixLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace quorvel::platform::wineprefix {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

std::string describeSelf() {
    std::string name = program_invocation_short_name ? program_invocation_short_name : "";
    if (name.empty()) name = "a program";
    return name + " (process " + std::to_string(::getpid()) + ")";
}

std::string readHolder(int fd) {
    char buf[256];
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0) return "another program";
    std::string text(buf, static_cast<std::size_t>(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0'))
        text.pop_back();
    return text.empty() ? "another program" : text;
}

Status cannotLock(const std::filesystem::path& file, int err) {
    const std::string why =
        err == ELOOP ? "it is a symbolic link, which is never followed" : std::strerror(err);
    return {err == EROFS || err == EACCES ? ErrorCode::WriteProtect : ErrorCode::AccessDenied,
            "The machine cannot be locked for writing: " + file.string() + ": " + why +
                ". Nothing was changed."};
}

}  // namespace

PrefixLock::~PrefixLock() {
    // Closing the descriptor releases the lock; the file stays for the next writer.
    ::close(fd_);
}

Result<std::shared_ptr<PrefixLock>> PrefixLock::acquire(const std::filesystem::path& prefix,
                                                        const LockWait& wait) {
    const std::filesystem::path file = prefix / kFileName;
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
    bool writable = fd >= 0;
    // A prefix made read-only since the file was created can still be locked (flock needs no
    // write access), so that the write itself fails and is reported as such.
    if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = ::open(file.c_str(), O_RDONLY | kFlags);
    if (fd < 0) return cannotLock(file, errno);
    std::shared_ptr<PrefixLock> lock(new PrefixLock(fd));

    const auto deadline = std::chrono::steady_clock::now() + wait.patience;
    bool told = false;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return cannotLock(file, errno);
        const std::string who = readHolder(fd);
        if (std::chrono::steady_clock::now() >= deadline)
            return Status(ErrorCode::SharingViolation,
                          who + " is changing the machine " + prefix.string() +
                              "; nothing was changed. Try again when it has finished.");
        if (!told && wait.onWait) wait.onWait(who);
        told = true;
        std::this_thread::sleep_for(kPollInterval);
    }
    if (writable) {
        const std::string self = describeSelf() + "\n";
        if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, self.data(), self.size(), 0);
    }
    return lock;
}

std::string PrefixLock::holder(const std::filesystem::path& prefix) {
    const std::filesystem::path file = prefix / kFileName;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return {};
    std::string who;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        who = readHolder(fd);
    else
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return who;
}

}  // namespace quorvel::platform::wineprefix
