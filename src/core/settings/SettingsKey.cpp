#include "core/settings/SettingsKey.h"

namespace quorvel::core {

using platform::RegAccess;
using platform::RegValue;

std::optional<SettingsKey> SettingsKey::open(platform::Registry& registry, platform::RootKey root,
                                             std::string_view path, bool createIfMissing) {
    auto key = createIfMissing ? registry.createKey(root, path)
                               : registry.openKey(root, path, RegAccess::ReadWrite);
    if (!key && !createIfMissing) key = registry.openKey(root, path, RegAccess::Read);
    if (!key) return std::nullopt;
    return SettingsKey(std::move(key).value());
}

bool SettingsKey::valueExists(std::string_view name) const {
    return key_->hasValue(name);
}

std::optional<std::string> SettingsKey::readString(std::string_view name) const {
    const auto value = key_->value(name);
    if (!value) return std::nullopt;
    return value->asString();
}

std::optional<std::int32_t> SettingsKey::readInteger(std::string_view name) const {
    const auto value = key_->value(name);
    if (!value) return std::nullopt;
    const auto dword = value->asDword();
    if (!dword) return std::nullopt;
    return static_cast<std::int32_t>(*dword);
}

std::optional<bool> SettingsKey::readBool(std::string_view name) const {
    const auto number = readInteger(name);
    if (!number) return std::nullopt;
    return *number != 0;
}

bool SettingsKey::writeString(std::string_view name, std::string_view value) {
    return key_->setValue(name, RegValue::string(value)).isOk();
}

bool SettingsKey::writeInteger(std::string_view name, std::int32_t value) {
    return key_->setValue(name, RegValue::dword(static_cast<std::uint32_t>(value))).isOk();
}

bool SettingsKey::writeBool(std::string_view name, bool value) {
    return key_->setValue(name, RegValue::dword(value ? 1U : 0U)).isOk();
}

bool SettingsKey::deleteValue(std::string_view name) {
    return key_->deleteValue(name).isOk();
}

std::string SettingsKey::stringWithDefault(std::string_view name, std::string_view fallback) {
    if (!valueExists(name)) writeString(name, fallback);
    return readString(name).value_or(std::string(fallback));
}

std::int32_t SettingsKey::integerWithDefault(std::string_view name, std::int32_t fallback) {
    if (!valueExists(name)) writeInteger(name, fallback);
    return readInteger(name).value_or(fallback);
}

bool SettingsKey::boolWithDefault(std::string_view name, bool fallback) {
    if (!valueExists(name)) writeBool(name, fallback);
    return readBool(name).value_or(fallback);
}

std::vector<std::string> SettingsKey::valueNames() const {
    std::vector<std::string> names;
    for (auto& v : key_->values())
        names.push_back(std::move(v.name));
    return names;
}

std::vector<std::string> SettingsKey::subKeyNames() const {
    return key_->subKeyNames();
}

}  // namespace quorvel::core
