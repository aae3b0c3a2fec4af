#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/RegistryTypes.h"

namespace quorvel::platform {

// A registry root by the names Windows gives it.
struct RootKeyNames {
    RootKey root;
    std::string_view longName;   // "HKEY_LOCAL_MACHINE"
    std::string_view shortName;  // "HKLM"
};

// Every root, in the order regedit lists them after HKEY_CLASSES_ROOT.
std::span<const RootKeyNames> rootKeyNames();

std::string_view rootKeyLongName(RootKey root);
std::string_view rootKeyShortName(RootKey root);
// A root named by its long name or its abbreviation, in any letter case (as reg.exe and
// regedit's files accept them); nullopt for anything else.
std::optional<RootKey> parseRootKeyName(std::string_view name);

// "HKLM\Software\Vendor\" as a root and the path below it (without the backslashes around it);
// nullopt when the text does not start with a root's name followed by a backslash or its end.
struct RootedKeyPath {
    RootKey root;
    std::string path;
};
std::optional<RootedKeyPath> parseRootedKeyPath(std::string_view text);

// A key path without the backslashes around it ("\Software\Vendor\" -> "Software\Vendor").
constexpr std::string_view trimKeyPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return path;
}

// "REG_SZ" and the other type names; "0x<hex>" for a type without one.
std::string regTypeName(std::uint32_t type);

}  // namespace quorvel::platform
