#include "platform/wineprefix/WineInternetCache.h"

#include <utility>

namespace quorvel::platform::wineprefix {

WineInternetCache::WineInternetCache(std::filesystem::path prefix, WineFileSystem& files,
                                     const WineEnvironment& environment)
    : prefix_(std::move(prefix)), files_(files), environment_(environment) {}

Result<std::vector<CacheEntry>> WineInternetCache::entries(CacheContainer) const {
    return std::vector<CacheEntry>{};
}

Status WineInternetCache::deleteEntry(CacheContainer, std::string_view) {
    return {ErrorCode::FileNotFound, "No such entry in the Internet cache"};
}

}  // namespace quorvel::platform::wineprefix
