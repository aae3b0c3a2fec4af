#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Environment.h"
#include "platform/FileTime.h"
#include "platform/InternetCache.h"
#include "platform/RegistryTypes.h"
#include "platform/shelllink/ShellLink.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "platform/wineprefix/WineRegistry.h"
#include "support/TempDir.h"

namespace quorvel::testing {

// A lock on a file held by another process (a forked child) until destruction: both a POSIX
// record lock over the whole file and a flock, so every way of asking sees it.
class HeldLock {
public:
    HeldLock(pid_t child, int releaseFd) : child_(child), releaseFd_(releaseFd) {}
    ~HeldLock();
    HeldLock(HeldLock&& other) noexcept;
    HeldLock& operator=(HeldLock&&) = delete;
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    // Releases the lock now (the child ends).
    void release();

private:
    pid_t child_ = -1;
    int releaseFd_ = -1;
};

// Makes a throw-away Wine prefix in a unique temporary folder: drive_c with windows\system32,
// the user's profile folders, dosdevices/c: -> ../drive_c, and the hives a fresh wineboot
// writes, trimmed to what matters (Windows 7 SP1, environment, shell folders, profile list).
// Registry changes go through the real registry and are saved by build(); files are made on
// disk at once. Every method throws std::runtime_error when the step fails.
class MachineBuilder {
public:
    static constexpr const char* kUserName = "tester";
    static constexpr const char* kUserSid = "S-1-5-21-0-0-0-1000";

    MachineBuilder();
    ~MachineBuilder();
    MachineBuilder(const MachineBuilder&) = delete;
    MachineBuilder& operator=(const MachineBuilder&) = delete;

    // Keys are full paths with their root: "HKLM\Software\X" or "HKEY_LOCAL_MACHINE\...".
    MachineBuilder& key(std::string_view keyPath);
    MachineBuilder& value(std::string_view keyPath, std::string_view name,
                          const platform::RegValue& value);
    MachineBuilder& removeKey(std::string_view keyPath);

    // Files and folders by Windows path; missing parent folders are made.
    MachineBuilder& file(std::string_view windowsPath, std::string_view contents);
    MachineBuilder& file(std::string_view windowsPath, std::size_t size);
    MachineBuilder& folder(std::string_view windowsPath);
    // A shortcut file in the binary format: the link as given, or one pointing at target (the
    // way IShellLink::SetPath records it) with an optional description.
    MachineBuilder& shortcut(std::string_view windowsPath, const platform::ShellLink& link);
    MachineBuilder& shortcut(std::string_view windowsPath, std::string_view target,
                             std::string_view description = {});
    MachineBuilder& attributes(std::string_view windowsPath, std::uint32_t attributes);
    MachineBuilder& lastWrite(std::string_view windowsPath, platform::FileTime time);
    // A symbolic link at windowsPath pointing at a host path (absolute or relative).
    MachineBuilder& symlink(std::string_view windowsPath, const std::filesystem::path& hostTarget);
    // Drive letter -> host folder, with its type recorded where Wine keeps it.
    MachineBuilder& drive(char letter, const std::filesystem::path& hostFolder,
                          platform::DriveType type = platform::DriveType::Fixed);
    // A URL cache container (index.dat in Wine's layout, replacing one made before) holding
    // `entries`; every entry with a file name gets that file, `size` bytes, in the container's
    // cache folder "QVCACHE1" (cookies: in the container folder itself), written at `written`,
    // the time the index records for it.
    struct CachedUrl {
        std::string url;
        std::string fileName;  // "" for an entry without a file
        std::uint64_t size = 0;
        std::uint32_t entryType = platform::cacheentry::Normal;
    };
    MachineBuilder& urlCache(platform::CacheContainer container,
                             const std::vector<CachedUrl>& entries,
                             platform::FileTime written = platform::FileTime::fromUnix(1700000000));
    // The Windows folder of a container on a built machine.
    static std::string urlCacheFolder(platform::CacheContainer container);
    // Every built machine has its own empty recycle bin (quorvel-trash/), so that emptying the
    // bin never reaches the user's trash. ownRecycleBin() makes it again after
    // sharedRecycleBin() removed it; sharedRecycleBin() makes the shell use the freedesktop Trash
    // (tests that call it must point HOME and XDG_DATA_HOME at a temporary folder).
    MachineBuilder& ownRecycleBin();
    MachineBuilder& sharedRecycleBin();
    // Another process locks the file until the returned object is gone.
    [[nodiscard]] HeldLock lock(std::string_view windowsPath);

    const std::filesystem::path& prefix() const { return prefix_; }
    // The host path of a Windows path (missing components as written).
    std::filesystem::path hostPath(std::string_view windowsPath) const;

    // Saves registry changes and opens the machine. May be called again after more changes.
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> build();

private:
    platform::wineprefix::WineRegistry& registry();

    TempDir temp_;
    std::filesystem::path prefix_;
    std::unique_ptr<platform::wineprefix::WineRegistry> registry_;
};

// The hive texts MachineBuilder starts from.
std::string defaultSystemHive();
std::string defaultUserHive();
std::string defaultUserDefaultHive();

}  // namespace quorvel::testing
