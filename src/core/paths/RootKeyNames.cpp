#include <array>

#include "core/paths/PathUtils.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::core {

namespace {

using platform::RootKey;

struct RootNames {
    RootKey root;
    std::string_view longName;
    std::string_view shortName;
};

constexpr std::array<RootNames, 6> kRoots{{
    {RootKey::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {RootKey::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {RootKey::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {RootKey::Users, "HKEY_USERS", "HKU"},
    {RootKey::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
    {RootKey::DynData, "HKEY_DYN_DATA", "HKDD"},
}};

}  // namespace

std::string RootKeyName(RootKey root) {
    for (const auto& r : kRoots)
        if (r.root == root) return std::string(r.longName);
    return "HKEY_CURRENT_USER";
}

RootKey RootKeyFromName(std::string_view longName) {
    for (const auto& r : kRoots)
        if (r.longName == longName) return r.root;
    return RootKey::CurrentUser;
}

RootKey RootKeyFromShortName(std::string_view shortName) {
    const std::string upper = platform::text::toUpperAscii(shortName);
    for (const auto& r : kRoots)
        if (r.shortName == upper) return r.root;
    return RootKey::CurrentUser;
}

}  // namespace quorvel::core
