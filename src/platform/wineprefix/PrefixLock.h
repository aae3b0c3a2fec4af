#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Status.h"
#include "platform/WriteLock.h"

namespace quorvel::platform::wineprefix {

// The write lock of a Wine prefix: flock(LOCK_EX) on <prefix>/.quorvel-write.lock, which also
// names its holder for those who wait. The file is never followed through a link. Advisory:
// Wine itself does not take it, which is why the registry also refuses to save over a hive
// changed on disk and while wineserver runs.
class PrefixLock {
public:
    ~PrefixLock();
    PrefixLock(const PrefixLock&) = delete;
    PrefixLock& operator=(const PrefixLock&) = delete;

    static constexpr const char* kFileName = ".quorvel-write.lock";

    // Waits up to wait.patience for the lock. Fails when the prefix's folder cannot hold the
    // lock file (read-only, a link planted in its place) or another program keeps the lock.
    static Result<std::shared_ptr<PrefixLock>> acquire(const std::filesystem::path& prefix,
                                                       const LockWait& wait = {});

    // Who holds the lock of a prefix now, as its holder described itself; "" when nobody.
    static std::string holder(const std::filesystem::path& prefix);

private:
    explicit PrefixLock(int fd) : fd_(fd) {}
    int fd_;
};

// A handle that keeps a shared prefix lock alive.
class PrefixLockHandle final : public WriteLock {
public:
    explicit PrefixLockHandle(std::shared_ptr<PrefixLock> lock) : lock_(std::move(lock)) {}

private:
    std::shared_ptr<PrefixLock> lock_;
};

}  // namespace quorvel::platform::wineprefix
