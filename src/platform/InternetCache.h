#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTime.h"
#include "platform/Status.h"

namespace quorvel::platform {

// The containers of the WinINet URL cache.
enum class CacheContainer {
    Content,  // cached pages and files (INetCache\Content.IE5)
    Cookies,  // INetCookies
    History,  // History\History.IE5: "Visited:" entries
};

// Entry-type bits as wininet reports them in INTERNET_CACHE_ENTRY_INFO::CacheEntryType.
namespace cacheentry {
inline constexpr std::uint32_t Normal = 0x00000001;
inline constexpr std::uint32_t Sticky = 0x00000004;
inline constexpr std::uint32_t Edited = 0x00000008;
inline constexpr std::uint32_t Sparse = 0x00010000;
inline constexpr std::uint32_t Cookie = 0x00100000;
inline constexpr std::uint32_t UrlHistory = 0x00200000;
}  // namespace cacheentry

// One URL entry of a container (INTERNET_CACHE_ENTRY_INFO).
struct CacheEntry {
    std::string sourceUrl;   // lpszSourceUrlName, the entry's key
    std::string localFile;   // lpszLocalFileName: Windows path of the cached file, "" when none
    std::uint64_t size = 0;  // dwSizeLow/High: size of the cached file in bytes
    std::uint32_t entryType = 0;  // cacheentry:: bits
    FileTime lastModified;
    FileTime lastAccess;
    FileTime expires;

    friend bool operator==(const CacheEntry&, const CacheEntry&) = default;
};

// The WinINet URL cache of one machine.
class InternetCache {
public:
    virtual ~InternetCache() = default;

    // FindFirstUrlCacheEntryEx / FindNextUrlCacheEntryEx over one container, in the order wininet
    // enumerates them. A container that does not exist yet is empty; a damaged one is an error.
    virtual Result<std::vector<CacheEntry>> entries(CacheContainer container) const = 0;
    // DeleteUrlCacheEntry: removes the entry and its local file. FileNotFound when no entry has
    // that address.
    virtual Status deleteEntry(CacheContainer container, std::string_view sourceUrl) = 0;
};

}  // namespace quorvel::platform
