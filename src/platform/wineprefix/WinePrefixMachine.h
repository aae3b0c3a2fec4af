#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "platform/Status.h"
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
    // is not a Wine prefix (neither system.reg nor drive_c in it).
    static Result<std::unique_ptr<WinePrefixMachine>> open(const std::filesystem::path& prefix);

    Registry& registry() override { return *registry_; }
    FileSystem& fileSystem() override { return fileSystem_; }
    Environment& environment() override { return *environment_; }
    Shell& shell() override { return *shell_; }
    InternetCache& internetCache() override { return *internetCache_; }
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
};

// Whether a folder looks like a Wine prefix: it holds system.reg or drive_c.
bool isWinePrefix(const std::filesystem::path& folder);

}  // namespace quorvel::platform::wineprefix
