#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/SettingsKey.h"
#include "platform/Registry.h"

namespace quorvel::core {

// The key/value operations every part of the program uses on its settings. Each call opens its
// key, does its work and closes the key again; no handle is held between calls.
class SettingsStore {
public:
    explicit SettingsStore(platform::Registry& registry) : registry_(registry) {}

    std::optional<SettingsKey> open(platform::RootKey root, std::string_view path,
                                    bool createIfMissing) const {
        return SettingsKey::open(registry_, root, path, createIfMissing);
    }

    bool keyExists(platform::RootKey root, std::string_view path) const;
    bool valueExists(platform::RootKey root, std::string_view path, std::string_view name) const;

    // Reads never create the key; nullopt when key or value is missing or has another type.
    std::optional<std::string> readString(platform::RootKey root, std::string_view path,
                                          std::string_view name) const;
    std::optional<std::int32_t> readInteger(platform::RootKey root, std::string_view path,
                                            std::string_view name) const;
    std::optional<bool> readBool(platform::RootKey root, std::string_view path,
                                 std::string_view name) const;

    // Writes create the key when it is missing.
    bool writeString(platform::RootKey root, std::string_view path, std::string_view name,
                     std::string_view value);
    bool writeInteger(platform::RootKey root, std::string_view path, std::string_view name,
                      std::int32_t value);
    bool writeBool(platform::RootKey root, std::string_view path, std::string_view name,
                   bool value);

    // Deletes the key with everything below it. Refuses the root itself (empty path).
    bool deleteTree(platform::RootKey root, std::string_view path);

    // Copies every value and subkey of `from` to `to` (created when missing), then deletes
    // `from`. The source is deleted only when the whole copy succeeded, so a failed move never
    // loses data. Refuses to move a key onto itself or into its own subtree.
    bool moveTree(platform::RootKey root, std::string_view from, std::string_view to);

    std::vector<std::string> valueNames(platform::RootKey root, std::string_view path) const;
    std::vector<std::string> subKeyNames(platform::RootKey root, std::string_view path) const;

private:
    platform::Registry& registry_;
};

// Key paths compared the way the registry compares them: case-insensitive, with leading,
// trailing and doubled backslashes ignored.
std::string NormalizeKeyPath(std::string_view path);

}  // namespace quorvel::core
