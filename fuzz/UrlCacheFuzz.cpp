// Reads arbitrary bytes as a URL cache index. An index that reads must give up each of its
// entries to a deletion that leaves a file reading back with one entry fewer, and written anew
// from what was read it must read back to the same entries.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "platform/wineprefix/UrlCacheFile.h"

namespace {

namespace urlcache = quorvel::platform::wineprefix::urlcache;
using Key = std::tuple<std::string, std::string, std::uint64_t, std::uint32_t>;

std::vector<Key> keys(const urlcache::Index& index) {
    std::vector<Key> out;
    for (const auto& e : index.entries)
        out.emplace_back(e.url, e.localName, e.size, e.entryType);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto index = urlcache::parse(bytes);
    if (!index) return 0;
    const quorvel::platform::FileTime late{~0ULL >> 1};  // every lock has expired
    for (const auto& e : index->entries) {
        std::string changed = bytes;
        const auto removed = urlcache::removeEntry(changed, e.url, late);
        if (!removed) {
            if (changed != bytes) std::abort();  // a refusal changes nothing
            continue;
        }
        auto after = urlcache::parse(changed);
        if (!after || after->entries.size() + 1 != index->entries.size()) std::abort();
    }

    std::vector<urlcache::NewEntry> planned;
    for (const auto& e : index->entries)
        planned.push_back({e.url, e.localName, e.cacheFolder, e.size, e.entryType, e.lastModified,
                           e.lastAccess, e.writeDate, e.writeTime});
    auto rebuilt = urlcache::parse(urlcache::build(index->folders, planned));
    if (!rebuilt) std::abort();
    if (rebuilt->entries.size() == index->entries.size() && keys(*rebuilt) != keys(*index))
        std::abort();
    return 0;
}
