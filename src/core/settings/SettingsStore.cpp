#include "core/settings/SettingsStore.h"

#include "platform/RegistryNames.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::core {

using platform::RegAccess;
using platform::RegistryKey;
using platform::RootKey;

namespace {

// Deeper trees than this are not real settings; the limit keeps a damaged hive from exhausting
// the stack.
constexpr int kMaxCopyDepth = 64;

bool copyTree(const RegistryKey& source, RegistryKey& target, int depth) {
    if (depth > kMaxCopyDepth) return false;
    bool ok = true;
    for (const auto& value : source.values())
        ok = target.setValue(value.name, value.value).isOk() && ok;
    for (const auto& name : source.subKeyNames()) {
        auto from = source.openSubKey(name, RegAccess::Read);
        auto to = target.createSubKey(name);
        if (!from || !to) {
            ok = false;
            continue;
        }
        ok = copyTree(**from, **to, depth + 1) && ok;
    }
    return ok;
}

}  // namespace

std::string NormalizeKeyPath(std::string_view path) {
    std::string out;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') {
            if (!out.empty() && out.back() != '\\') out.push_back('\\');
            continue;
        }
        out.push_back(path[i]);
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return platform::text::toLowerAscii(out);
}

bool SettingsStore::keyExists(RootKey root, std::string_view path) const {
    return registry_.openKey(root, path, RegAccess::Read).isOk();
}

bool SettingsStore::valueExists(RootKey root, std::string_view path, std::string_view name) const {
    const auto key = open(root, path, false);
    return key && key->valueExists(name);
}

std::optional<std::string> SettingsStore::readString(RootKey root, std::string_view path,
                                                     std::string_view name) const {
    const auto key = open(root, path, false);
    if (!key) return std::nullopt;
    return key->readString(name);
}

std::optional<std::int32_t> SettingsStore::readInteger(RootKey root, std::string_view path,
                                                       std::string_view name) const {
    const auto key = open(root, path, false);
    if (!key) return std::nullopt;
    return key->readInteger(name);
}

std::optional<bool> SettingsStore::readBool(RootKey root, std::string_view path,
                                            std::string_view name) const {
    const auto key = open(root, path, false);
    if (!key) return std::nullopt;
    return key->readBool(name);
}

bool SettingsStore::writeString(RootKey root, std::string_view path, std::string_view name,
                                std::string_view value) {
    auto key = open(root, path, true);
    return key && key->writeString(name, value);
}

bool SettingsStore::writeInteger(RootKey root, std::string_view path, std::string_view name,
                                 std::int32_t value) {
    auto key = open(root, path, true);
    return key && key->writeInteger(name, value);
}

bool SettingsStore::writeBool(RootKey root, std::string_view path, std::string_view name,
                              bool value) {
    auto key = open(root, path, true);
    return key && key->writeBool(name, value);
}

bool SettingsStore::deleteTree(RootKey root, std::string_view path) {
    const std::string normal = NormalizeKeyPath(path);
    if (normal.empty()) return false;
    // Delete through the parent so that the key itself goes, not only its contents.
    const std::string_view trimmed = platform::trimKeyPath(path);
    const auto slash = trimmed.rfind('\\');
    const std::string_view parentPath =
        slash == std::string_view::npos ? std::string_view{} : trimmed.substr(0, slash);
    const std::string_view leaf =
        slash == std::string_view::npos ? trimmed : trimmed.substr(slash + 1);
    auto parent = registry_.openKey(root, parentPath, RegAccess::ReadWrite);
    if (!parent) return false;
    return (*parent)->deleteTree(leaf).isOk();
}

bool SettingsStore::moveTree(RootKey root, std::string_view from, std::string_view to) {
    const std::string source = NormalizeKeyPath(from);
    const std::string target = NormalizeKeyPath(to);
    if (source.empty() || target.empty() || source == target) return false;
    if (target.size() > source.size() && target.compare(0, source.size(), source) == 0 &&
        target[source.size()] == '\\')
        return false;  // the target lies inside the source: the copy would never end
    {
        // Both keys are closed at the end of this block, before the source is deleted.
        auto sourceKey = registry_.openKey(root, from, RegAccess::Read);
        if (!sourceKey) return false;
        auto targetKey = registry_.createKey(root, to);
        if (!targetKey) return false;
        if (!copyTree(**sourceKey, **targetKey, 0)) return false;
    }
    return deleteTree(root, from);
}

std::vector<std::string> SettingsStore::valueNames(RootKey root, std::string_view path) const {
    const auto key = open(root, path, false);
    return key ? key->valueNames() : std::vector<std::string>{};
}

std::vector<std::string> SettingsStore::subKeyNames(RootKey root, std::string_view path) const {
    const auto key = open(root, path, false);
    return key ? key->subKeyNames() : std::vector<std::string>{};
}

}  // namespace quorvel::core
