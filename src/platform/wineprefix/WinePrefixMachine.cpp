#include "platform/wineprefix/WinePrefixMachine.h"

#include <system_error>

#include "platform/wineprefix/WineServer.h"

namespace quorvel::platform::wineprefix {

bool isWinePrefix(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::is_regular_file(folder / "system.reg", ec);
}

namespace {

Status checkPrefixFolder(const std::filesystem::path& prefix) {
    std::error_code ec;
    if (!std::filesystem::is_directory(prefix, ec)) {
        if (std::filesystem::exists(prefix, ec))
            return Status(ErrorCode::PathNotFound,
                          "\"" + prefix.string() + "\" is not a folder, so not a Wine prefix.");
        return Status(ErrorCode::PathNotFound,
                      "The folder \"" + prefix.string() + "\" does not exist.");
    }
    if (!isWinePrefix(prefix))
        return Status(ErrorCode::BadFormat, "The folder \"" + prefix.string() +
                                                "\" is not a Wine prefix: it has no system.reg.");
    return Status::ok();
}

}  // namespace

Result<std::shared_ptr<PrefixLock>> WinePrefixMachine::lockPrefix(
    const std::filesystem::path& prefix, const LockWait& wait) {
    if (Status s = checkPrefixFolder(prefix); !s) return s;
    return PrefixLock::acquire(prefix, wait);
}

Result<std::unique_ptr<WinePrefixMachine>> WinePrefixMachine::open(
    const std::filesystem::path& prefix, std::shared_ptr<PrefixLock> held) {
    if (Status s = checkPrefixFolder(prefix); !s) return s;
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(prefix, ec);
    auto folder = ec ? prefix : absolute.lexically_normal();
    if (!folder.has_filename() && folder.has_parent_path()) folder = folder.parent_path();
    auto registry = WineRegistry::open(folder);
    if (!registry) return registry.status();
    std::unique_ptr<WinePrefixMachine> machine(
        new WinePrefixMachine(folder, std::move(registry).value()));
    machine->lock_ = held;
    // The handle passed in keeps the lock for the caller; the machine only remembers it.
    return machine;
}

Result<WriteLockPtr> WinePrefixMachine::lockForWriting(const LockWait& wait) {
    std::lock_guard guard(lockMutex_);
    auto held = lock_.lock();
    if (!held) {
        auto taken = PrefixLock::acquire(prefix_, wait);
        if (!taken) return taken.status();
        held = std::move(taken).value();
        lock_ = held;
    }
    return WriteLockPtr(std::make_unique<PrefixLockHandle>(std::move(held)));
}

WinePrefixMachine::WinePrefixMachine(std::filesystem::path prefix,
                                     std::unique_ptr<WineRegistry> registry)
    : prefix_(std::move(prefix)), registry_(std::move(registry)), fileSystem_(prefix_) {
    environment_ = std::make_unique<WineEnvironment>(*registry_, fileSystem_);
    environment_->setUserSid(registry_->currentUserName());
    shell_ = std::make_unique<WineShell>(prefix_, fileSystem_, *registry_, *environment_);
    internetCache_ = std::make_unique<WineInternetCache>(prefix_, fileSystem_, *shell_);
}

bool WinePrefixMachine::isServerRunning() const {
    return WineServer::isRunning(prefix_);
}

}  // namespace quorvel::platform::wineprefix
