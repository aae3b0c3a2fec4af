#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace quorvel::core {

// One open settings key: opened at the point of use, closed when the object goes away. Integers
// and booleans are registry DWORDs; a boolean is written as 0 or 1 and any non-zero DWORD reads
// as true. Strings are REG_SZ (REG_EXPAND_SZ reads as well, unexpanded).
class SettingsKey {
public:
    // Opens root\path; with createIfMissing the key and its missing parents are created.
    // nullopt when the key does not exist (without create) or cannot be opened or created.
    static std::optional<SettingsKey> open(platform::Registry& registry, platform::RootKey root,
                                           std::string_view path, bool createIfMissing);

    bool valueExists(std::string_view name) const;

    // nullopt when the value is missing or has another type.
    std::optional<std::string> readString(std::string_view name) const;
    std::optional<std::int32_t> readInteger(std::string_view name) const;
    std::optional<bool> readBool(std::string_view name) const;

    bool writeString(std::string_view name, std::string_view value);
    bool writeInteger(std::string_view name, std::int32_t value);
    bool writeBool(std::string_view name, bool value);
    bool deleteValue(std::string_view name);

    // The usual settings pattern: write the default when the value is missing, then read it.
    // A value of another type is left as it is and the default is returned.
    std::string stringWithDefault(std::string_view name, std::string_view fallback);
    std::int32_t integerWithDefault(std::string_view name, std::int32_t fallback);
    bool boolWithDefault(std::string_view name, bool fallback);

    std::vector<std::string> valueNames() const;
    std::vector<std::string> subKeyNames() const;

    platform::RegistryKey& handle() { return *key_; }
    const platform::RegistryKey& handle() const { return *key_; }

private:
    explicit SettingsKey(platform::RegistryKeyPtr key) : key_(std::move(key)) {}
    platform::RegistryKeyPtr key_;
};

}  // namespace quorvel::core
