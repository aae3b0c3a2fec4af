#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryTypes.h"
#include "platform/Status.h"

namespace quorvel::platform {

class RegistryKey;
using RegistryKeyPtr = std::unique_ptr<RegistryKey>;

// The Windows registry of one machine. Key paths are relative to their root and may start with
// a backslash ("\Software\Classes"); an empty path names the root itself. Names compare
// case-insensitively and keep their case. Safe to use from several threads at once.
class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyEx.
    virtual Result<RegistryKeyPtr> openKey(RootKey root, std::string_view path,
                                           RegAccess access = RegAccess::Read) = 0;
    // RegCreateKeyEx: opens the key, creating it and any missing parents.
    virtual Result<RegistryKeyPtr> createKey(RootKey root, std::string_view path) = 0;
    // RegFlushKey for every root: writes changed data to permanent storage.
    virtual Status flush() = 0;
    // Drops the changes not written by flush (after a flush failed, so that what was reported
    // as not done stays undone): the registry reads its storage again, and keys opened before
    // fail with KeyDeleted. Windows writes every change through, so it has no such call.
    virtual Status discardChanges() = 0;
};

// One open key (an HKEY); closing is the destructor (RegCloseKey). Operations on a key that was
// deleted meanwhile fail with ErrorCode::KeyDeleted.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // RegEnumKeyEx / RegEnumValue by index, in registry order; nullopt past the end.
    virtual std::optional<std::string> subKeyName(std::uint32_t index) const = 0;
    virtual std::optional<NamedRegValue> valueAt(std::uint32_t index) const = 0;
    // RegQueryInfoKey.
    virtual RegKeyInfo info() const = 0;
    // RegQueryValueEx; "" is the default value.
    virtual std::optional<RegValue> value(std::string_view name) const = 0;

    // RegOpenKeyEx / RegCreateKeyEx relative to this key.
    virtual Result<RegistryKeyPtr> openSubKey(std::string_view path,
                                              RegAccess access = RegAccess::Read) const = 0;
    virtual Result<RegistryKeyPtr> createSubKey(std::string_view path) = 0;

    // RegSetValueEx, RegDeleteValue.
    virtual Status setValue(std::string_view name, const RegValue& value) = 0;
    virtual Status deleteValue(std::string_view name) = 0;
    // RegDeleteKey: removes a subkey that has no subkeys of its own.
    virtual Status deleteSubKey(std::string_view name) = 0;
    // RegDeleteTree: removes a subkey path with everything below it ("" = this key's contents).
    virtual Status deleteTree(std::string_view path) = 0;

    // Conveniences over the index enumerations.
    std::vector<std::string> subKeyNames() const;
    std::vector<NamedRegValue> values() const;
    bool hasValue(std::string_view name) const { return value(name).has_value(); }
};

}  // namespace quorvel::platform
