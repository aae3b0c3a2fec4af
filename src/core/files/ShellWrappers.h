#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Shell.h"
#include "platform/Status.h"

namespace quorvel::core {

// The fields of a shortcut the cleaners and windows look at.
struct TShellLinkInfo {
    std::string targetPath;
    std::string arguments;
    std::string description;
    std::string workingDirectory;
    std::string iconFile;
    std::int32_t iconIndex = 0;
    std::int32_t showCommand = 0;
    std::uint16_t hotKey = 0;
};

// Reads a shortcut file. A file that is missing or is no valid shortcut gives the Status that
// says why; the caller decides what that means.
platform::Result<TShellLinkInfo> ReadShellLink(const platform::Shell& shell, std::string_view file);

// The version-resource items the details views show, in this order.
inline constexpr std::array<std::string_view, 10> kVersionItems = {
    "FileVersion",     "CompanyName",      "FileDescription", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFileName", "ProductName",     "ProductVersion", "Comments"};

// One item from the string table of the file's first translation; empty when anything fails.
std::string ReadVersionString(const platform::Shell& shell, std::string_view file,
                              std::string_view item);
// Every item of kVersionItems at once, in that order (empty texts for missing ones).
std::array<std::string, 10> ReadVersionInfo(const platform::Shell& shell, std::string_view file);
// The most significant file-version pair: major in the high 16 bits, minor in the low 16; 0 when
// the file has no version resource.
std::uint32_t DllVersion(const platform::Shell& shell, std::string_view file);

// The recycle bin of a drive root ("" for all drives). On failure size is -1 and count keeps the
// value it had.
struct RecycleBinTotals {
    std::int64_t size = 0;
    std::int64_t count = 0;
};
void RecycleBinSize(const platform::Shell& shell, std::string_view driveRoot,
                    RecycleBinTotals& totals);
// Empties the recycle bin of a drive root without confirmation, progress or sound.
platform::Status EmptyRecycleBin(platform::Shell& shell, std::string_view driveRoot);

// The system image-list index of a file's small icon; -1 for an out-of-range index.
int SmallIconIndex(const platform::Shell& shell, std::string_view file);
// The folder of a CSIDL number; empty when unknown.
std::string SpecialFolder(const platform::Shell& shell, int csidl);
// Opens the shell's properties view of a file.
bool ShowPropertiesDialog(platform::Shell& shell, std::string_view file);

}  // namespace quorvel::core
