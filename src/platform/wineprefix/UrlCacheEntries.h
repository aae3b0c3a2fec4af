#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/wineprefix/UrlCacheFile.h"

namespace quorvel::platform::wineprefix::urlcache {

// A "URL " entry with where it sits in the file.
struct LocatedEntry {
    IndexEntry entry;
    std::uint32_t slot = 0;    // file offset of its hash slot
    std::uint32_t offset = 0;  // file offset of the entry
    std::uint32_t blocks = 0;
    std::uint32_t key = 0;  // the slot's key with its flag bits
};

// Checks the header and walks the hash tables; fills the header fields of `header` when given.
Result<std::vector<LocatedEntry>> locateEntries(std::string_view bytes, Index* header);

}  // namespace quorvel::platform::wineprefix::urlcache
