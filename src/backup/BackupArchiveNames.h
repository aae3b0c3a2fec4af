#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::backup {

// Every entry of a backup archive is encrypted with this password (traditional ZIP encryption),
// so the suite's tools read each other's archives.
inline constexpr std::string_view kArchivePassword = "kq7319";

// The archive's own index, always its last entry.
inline constexpr std::string_view kArchiveIndexName = "quorvel.ini";
// The registry export of a Startup archive.
inline constexpr std::string_view kRegistryFileEntry = "RegistryFile";

// The largest entry written or read: a backed-up file is held in memory whole, and a damaged or
// hostile archive must not make a restore allocate without bound.
inline constexpr std::size_t kMaxEntrySize = std::size_t{256} << 20;

// "0000000007.Sfi": the entry of the backed-up file at that position of its findings list.
std::string sfiEntryName(std::size_t position);

// Entries are stored flat. A name is safe to extract into a folder when it stays inside it on
// Windows and on Linux: not empty, no path separator, no drive or stream colon, no "..", no
// control or wildcard characters, not only dots and spaces, not a device name (CON, NUL, COM1,
// ...), and at most 255 characters.
bool isSafeEntryName(std::string_view name);

}  // namespace quorvel::backup
