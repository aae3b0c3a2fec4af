#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTime.h"

namespace quorvel::platform {

// The predefined registry roots with their Windows handle values.
enum class RootKey : std::uint32_t {
    ClassesRoot = 0x80000000,
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
    Users = 0x80000003,
    PerformanceData = 0x80000004,
    CurrentConfig = 0x80000005,
    DynData = 0x80000006,
};

// Registry value types (winnt.h numbers). Other numbers are kept as they are.
namespace regtype {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Sz = 1;
inline constexpr std::uint32_t ExpandSz = 2;
inline constexpr std::uint32_t Binary = 3;
inline constexpr std::uint32_t Dword = 4;
inline constexpr std::uint32_t DwordBigEndian = 5;
inline constexpr std::uint32_t Link = 6;
inline constexpr std::uint32_t MultiSz = 7;
inline constexpr std::uint32_t ResourceList = 8;
inline constexpr std::uint32_t FullResourceDescriptor = 9;
inline constexpr std::uint32_t ResourceRequirementsList = 10;
inline constexpr std::uint32_t Qword = 11;
}  // namespace regtype

// One registry value exactly as Windows stores it: a type and raw bytes. String types hold
// UTF-16LE code units including the terminating NUL, as RegQueryValueExW returns them.
struct RegValue {
    std::uint32_t type = regtype::None;
    std::vector<std::uint8_t> data;

    static RegValue string(std::string_view utf8, std::uint32_t type = regtype::Sz);
    static RegValue multiString(const std::vector<std::string>& utf8Items);
    static RegValue dword(std::uint32_t value);
    static RegValue qword(std::uint64_t value);
    static RegValue binary(std::vector<std::uint8_t> bytes, std::uint32_t type = regtype::Binary);

    bool isString() const { return type == regtype::Sz || type == regtype::ExpandSz; }

    // The text of a REG_SZ / REG_EXPAND_SZ value in UTF-8, up to the first NUL; nullopt for
    // other types.
    std::optional<std::string> asString() const;
    // REG_MULTI_SZ items in UTF-8 (an empty item ends the list, as Windows reads it).
    std::optional<std::vector<std::string>> asMultiString() const;
    // REG_DWORD (4 bytes little endian) and REG_DWORD_BIG_ENDIAN; nullopt otherwise.
    std::optional<std::uint32_t> asDword() const;
    std::optional<std::uint64_t> asQword() const;

    friend bool operator==(const RegValue&, const RegValue&) = default;
};

struct NamedRegValue {
    std::string name;  // "" is the key's default value
    RegValue value;
};

// What RegQueryInfoKey reports.
struct RegKeyInfo {
    std::uint32_t subKeyCount = 0;
    std::uint32_t valueCount = 0;
    FileTime lastWriteTime;
    std::string className;
};

enum class RegAccess { Read, ReadWrite };

}  // namespace quorvel::platform
