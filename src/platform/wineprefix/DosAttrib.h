#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform::wineprefix {

// The extended attribute in which Wine and Samba keep DOS attributes.
inline constexpr const char* kDosAttribXattr = "user.DOSATTRIB";

// The attribute bits Wine keeps in the extended attribute (the rest come from the file mode).
inline constexpr std::uint32_t kDosAttribStoredBits = 0x2 | 0x4;  // hidden | system

// Reads a user.DOSATTRIB value. Understood forms:
//  - Wine's and Samba 3's hex text, "0x22" (also without a terminating NUL);
//  - Samba 4's hex text, a NUL, then its binary record (the text is read);
//  - a bare Samba binary record: uint16 version, uint16 level, then the record with the
//    attributes (first field for versions 1 and 0xFFFF, second field otherwise).
// nullopt when the value is none of these.
std::optional<std::uint32_t> parseDosAttrib(std::string_view data);

// The value to store so that the stored bits (hidden, system) become those of `attributes`,
// keeping every other bit and, for Samba 4's form, the binary record (its attribute field is
// updated when it can be found). Starts from Wine's plain form when `existing` is empty or
// unreadable.
std::string updateDosAttrib(std::string_view existing, std::uint32_t attributes);

}  // namespace quorvel::platform::wineprefix
