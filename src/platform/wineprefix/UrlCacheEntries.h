#pragma once

#include <cstdint>
#include <functional>
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

// Checks the header and walks the hash tables, handing every "URL " entry to `found` in
// enumeration order; fills the header fields of `header` when given.
Status locateEntries(std::string_view bytes, Index* header,
                     const std::function<void(LocatedEntry&&)>& found);

}  // namespace quorvel::platform::wineprefix::urlcache
