#pragma once

#include <filesystem>

#include "platform/InternetCache.h"

namespace quorvel::platform::wineprefix {

class WineEnvironment;
class WineFileSystem;

// The URL cache containers where Wine's wininet keeps them, under the user's profile.
// Placeholder until the index.dat reader and writer land: every container reads as empty.
class WineInternetCache final : public InternetCache {
public:
    WineInternetCache(std::filesystem::path prefix, WineFileSystem& files,
                      const WineEnvironment& environment);

    Result<std::vector<CacheEntry>> entries(CacheContainer container) const override;
    Status deleteEntry(CacheContainer container, std::string_view sourceUrl) override;

private:
    std::filesystem::path prefix_;
    WineFileSystem& files_;
    const WineEnvironment& environment_;
};

}  // namespace quorvel::platform::wineprefix
