#pragma once

#include <array>
#include <atomic>
#include <filesystem>
#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"
#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/HiveKey.h"

namespace quorvel::platform::wineprefix {

enum HiveIndex : std::uint8_t { kSystemHive = 0, kUserHive = 1, kUserDefaultHive = 2 };

// Wine's whole key tree ("REGISTRY" with Machine and User below it), the hives that store its
// parts and the lock that guards them. Shared by the registry object and every open key.
class RegistryState {
public:
    explicit RegistryState(std::filesystem::path prefix);

    // Reads the three hive files of the prefix.
    void load();
    // Reads them again, dropping unsaved changes; keys of the old tree read as deleted.
    void reload();

    const std::filesystem::path& prefix() const { return prefix_; }
    std::shared_mutex& mutex() const { return mutex_; }
    std::uint64_t generation() const { return generation_.load(std::memory_order_acquire); }

    const std::shared_ptr<HiveKey>& root() const { return root_; }
    const std::shared_ptr<HiveKey>& machine() const { return machine_; }
    const std::shared_ptr<HiveKey>& users() const { return users_; }
    const std::shared_ptr<HiveKey>& currentUser() const { return currentUser_; }
    const std::array<Hive, 3>& hives() const { return hives_; }

    // Refuses changes while wineserver runs for the prefix. Call without holding the lock.
    Status checkServerStopped() const;

    // The key a link points to, or nullptr when the target does not exist, cannot be reached
    // or would lead back into a path already taken (`followed` holds the targets taken so far
    // on the way to the link and receives the new one). Caller holds the lock.
    std::shared_ptr<HiveKey> resolveLink(const HiveKey& link,
                                         std::vector<const HiveKey*>& followed) const;
    // The subkey `name` of `parent`, with a link followed; nullptr when missing.
    std::shared_ptr<HiveKey> child(const HiveKey& parent, std::string_view name, bool followLink,
                                   std::vector<const HiveKey*>& followed) const;

    // Change bookkeeping, with the lock held exclusively: the key gets the current time and is
    // written anew, its hive is saved on the next flush.
    void touch(HiveKey& key);
    void noteChange();
    static FileTime now();

    std::vector<HiveProblem> problems() const;
    Status flush();

private:
    std::filesystem::path prefix_;
    mutable std::shared_mutex mutex_;
    std::atomic<std::uint64_t> generation_{0};
    std::shared_ptr<HiveKey> root_;
    std::shared_ptr<HiveKey> machine_;
    std::shared_ptr<HiveKey> users_;
    std::shared_ptr<HiveKey> currentUser_;
    std::array<Hive, 3> hives_;
};

// Splits a registry path at backslashes, skipping empty parts.
std::vector<std::string_view> splitKeyPath(std::string_view path);

}  // namespace quorvel::platform::wineprefix
