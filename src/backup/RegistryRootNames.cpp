#include "backup/RegistryRootNames.h"

#include <array>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::backup {
namespace {

struct RootName {
    platform::RootKey root;
    std::string_view longName;
    std::string_view shortName;
};

constexpr std::array<RootName, 7> kRoots{{
    {platform::RootKey::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {platform::RootKey::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {platform::RootKey::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {platform::RootKey::Users, "HKEY_USERS", "HKU"},
    {platform::RootKey::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
    {platform::RootKey::DynData, "HKEY_DYN_DATA", "HKDD"},
    {platform::RootKey::PerformanceData, "HKEY_PERFORMANCE_DATA", "HKPD"},
}};

}  // namespace

std::optional<platform::RootKey> rootKeyFromExportName(std::string_view name) {
    for (const auto& r : kRoots) {
        if (platform::text::iequals(name, r.longName) || platform::text::iequals(name, r.shortName))
            return r.root;
    }
    return std::nullopt;
}

std::string_view exportNameOfRoot(platform::RootKey root) {
    for (const auto& r : kRoots) {
        if (r.root == root) return r.longName;
    }
    return "HKEY_CURRENT_USER";  // not reached: every RootKey is in the table
}

}  // namespace quorvel::backup
