#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryTypes.h"

namespace quorvel::backup {

// Lines of a "Windows Registry Editor Version 5.00" file, in UTF-8 (WTF-8 for unpaired
// surrogates, so every UTF-16 code unit survives). Formatting follows regedit: strings in
// quotes with \ and " escaped, dword:%08x, hex lists wrapped before column 80 with "\" and a
// two-space indent.
namespace regfile {

inline constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kHeader4 = "REGEDIT4";

// "[HKEY_LOCAL_MACHINE\Software\X]"; keyPath without leading backslash, empty for the root.
std::string keyLine(std::string_view rootName, std::string_view keyPath);

// One value as one or more physical lines. Values that a quoted string or dword: cannot carry
// exactly (no terminator, odd length, embedded NUL or line breaks, wrong size) are written as
// hex(N): so type and bytes come back unchanged.
std::vector<std::string> valueLines(std::string_view name, const platform::RegValue& value);

// Escapes \ and " (and line breaks and NUL, which regedit itself cannot carry in a name).
std::string escape(std::string_view text);

// Whether a key name can be written into a "[...]" line (no line break or NUL in it).
bool isWritableKeyName(std::string_view name);

// The file: UTF-16LE with byte-order mark, header, blank line, the lines, CR LF line ends.
std::string encodeFile(const std::vector<std::string>& lines);

}  // namespace regfile
}  // namespace quorvel::backup
