#include "platform/RegistryNames.h"

#include <array>
#include <cstdio>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::platform {
namespace {

constexpr std::array<RootKeyNames, 7> kRoots{{
    {RootKey::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {RootKey::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {RootKey::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {RootKey::Users, "HKEY_USERS", "HKU"},
    {RootKey::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
    {RootKey::DynData, "HKEY_DYN_DATA", "HKDD"},
    {RootKey::PerformanceData, "HKEY_PERFORMANCE_DATA", "HKPD"},
}};

const RootKeyNames& namesOf(RootKey root) {
    for (const auto& r : kRoots)
        if (r.root == root) return r;
    return kRoots[1];  // not reached: every RootKey is in the table
}

}  // namespace

std::span<const RootKeyNames> rootKeyNames() {
    return kRoots;
}

std::string_view rootKeyLongName(RootKey root) {
    return namesOf(root).longName;
}

std::string_view rootKeyShortName(RootKey root) {
    return namesOf(root).shortName;
}

std::optional<RootKey> parseRootKeyName(std::string_view name) {
    for (const auto& r : kRoots)
        if (text::iequals(name, r.longName) || text::iequals(name, r.shortName)) return r.root;
    return std::nullopt;
}

std::optional<RootedKeyPath> parseRootedKeyPath(std::string_view text) {
    const auto sep = text.find('\\');
    const auto root = parseRootKeyName(text.substr(0, sep));
    if (!root) return std::nullopt;
    const std::string_view rest =
        sep == std::string_view::npos ? std::string_view() : text.substr(sep + 1);
    return RootedKeyPath{*root, std::string(trimKeyPath(rest))};
}

std::string regTypeName(std::uint32_t type) {
    switch (type) {
        case regtype::None:
            return "REG_NONE";
        case regtype::Sz:
            return "REG_SZ";
        case regtype::ExpandSz:
            return "REG_EXPAND_SZ";
        case regtype::Binary:
            return "REG_BINARY";
        case regtype::Dword:
            return "REG_DWORD";
        case regtype::DwordBigEndian:
            return "REG_DWORD_BIG_ENDIAN";
        case regtype::Link:
            return "REG_LINK";
        case regtype::MultiSz:
            return "REG_MULTI_SZ";
        case regtype::ResourceList:
            return "REG_RESOURCE_LIST";
        case regtype::FullResourceDescriptor:
            return "REG_FULL_RESOURCE_DESCRIPTOR";
        case regtype::ResourceRequirementsList:
            return "REG_RESOURCE_REQUIREMENTS_LIST";
        case regtype::Qword:
            return "REG_QWORD";
        default: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(type));
            return buf;
        }
    }
}

}  // namespace quorvel::platform
