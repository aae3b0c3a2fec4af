#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "platform/Status.h"
#include "platform/wineprefix/PrefixLock.h"
#include "platform/wineprefix/WineEnvironment.h"
#include "platform/wineprefix/WineFileSystem.h"
#include "platform/wineprefix/WineInternetCache.h"
#include "platform/wineprefix/WineRegistry.h"
#include "platform/wineprefix/WineShell.h"

namespace quorvel::platform::wineprefix {

// A Windows environment stored as a Wine prefix: the registry hives, the drives under
// dosdevices/, the environment derived from both and the shell over them.
class WinePrefixMachine final : public Machine {
public:
    // Opens the prefix folder. Fails with a message naming the folder when it does not exist or
    // is not a Wine prefix (no system.reg in it). `held` is the prefix's write lock when the
    // caller took it before loading (see lockPrefix); lockForWriting then hands out that one.
    static Result<std::unique_ptr<WinePrefixMachine>> open(
        const std::filesystem::path& prefix, std::shared_ptr<PrefixLock> held = nullptr);
    // Takes the write lock of a prefix before it is opened, so that nothing changes between
    // loading and saving. Refuses a folder that is not a Wine prefix without writing to it.
    static Result<std::shared_ptr<PrefixLock>> lockPrefix(const std::filesystem::path& prefix,
                                                          const LockWait& wait = {});

    Registry& registry() override { return *registry_; }
    FileSystem& fileSystem() override { return fileSystem_; }
    Environment& environment() override { return *environment_; }
    Shell& shell() override { return *shell_; }
    InternetCache& internetCache() override { return *internetCache_; }
    Result<WriteLockPtr> lockForWriting(const LockWait& wait = {}) override;
    std::string displayName() const override { return prefix_.string(); }

    const std::filesystem::path& prefix() const { return prefix_; }
    WineRegistry& wineRegistry() { return *registry_; }
    WineFileSystem& wineFileSystem() { return fileSystem_; }
    const WineEnvironment& wineEnvironment() const { return *environment_; }
    // Lines of the hives that could not be read (the registry will not save over them).
    std::vector<HiveProblem> hiveProblems() const { return registry_->problems(); }
    // Whether Wine's server runs for this prefix now (the registry then refuses writes).
    bool isServerRunning() const;

private:
    WinePrefixMachine(std::filesystem::path prefix, std::unique_ptr<WineRegistry> registry);

    std::filesystem::path prefix_;
    std::unique_ptr<WineRegistry> registry_;
    WineFileSystem fileSystem_;
    std::unique_ptr<WineEnvironment> environment_;
    std::unique_ptr<WineShell> shell_;
    std::unique_ptr<WineInternetCache> internetCache_;
    std::mutex lockMutex_;
    std::weak_ptr<PrefixLock> lock_;  // while any handle of it lives
};

// Whether a folder is a Wine prefix: it holds system.reg (wineboot writes it first; a folder
// with only drive_c is some other tree, and writing hives into it would make up a machine).
bool isWinePrefix(const std::filesystem::path& folder);

}  // namespace quorvel::platform::wineprefix
