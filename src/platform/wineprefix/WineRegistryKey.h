#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/wineprefix/WineRegistryState.h"

namespace quorvel::platform::wineprefix {

// Which keys of the tree an open key stands for. A plain key has only `front`. A key of
// HKEY_CLASSES_ROOT merges the user's key (`front`) over the machine's (`back`); either may be
// missing.
struct KeyView {
    std::shared_ptr<HiveKey> front;
    std::shared_ptr<HiveKey> back;
    bool merged = false;
    // Link targets taken on the way to this key; keeps walks through links finite.
    std::vector<const HiveKey*> followed;
};

// An open key of a WineRegistry.
class WineRegistryKey final : public RegistryKey {
public:
    WineRegistryKey(std::shared_ptr<RegistryState> state, KeyView view, RegAccess access);

    std::optional<std::string> subKeyName(std::uint32_t index) const override;
    std::optional<NamedRegValue> valueAt(std::uint32_t index) const override;
    RegKeyInfo info() const override;
    std::optional<RegValue> value(std::string_view name) const override;

    Result<RegistryKeyPtr> openSubKey(std::string_view path,
                                      RegAccess access = RegAccess::Read) const override;
    Result<RegistryKeyPtr> createSubKey(std::string_view path) override;

    Status setValue(std::string_view name, const RegValue& value) override;
    Status deleteValue(std::string_view name) override;
    Status deleteSubKey(std::string_view name) override;
    Status deleteTree(std::string_view path) override;

    // Used by WineRegistry to open and create keys below a root (lock not held).
    static Result<RegistryKeyPtr> open(const std::shared_ptr<RegistryState>& state,
                                       const KeyView& base, std::string_view path,
                                       RegAccess access);
    static Result<RegistryKeyPtr> create(const std::shared_ptr<RegistryState>& state,
                                         const KeyView& base, std::string_view path);

private:
    bool isDeleted() const;
    Status checkWrite() const;
    // Subkey names of a merged key: the user's, then the machine's the user has not.
    const std::vector<std::string>& mergedNames() const;

    std::shared_ptr<RegistryState> state_;
    KeyView view_;
    RegAccess access_;

    mutable std::mutex cacheMutex_;
    mutable std::uint64_t cacheGeneration_ = ~std::uint64_t{0};
    mutable std::vector<std::string> mergedNames_;
};

}  // namespace quorvel::platform::wineprefix
