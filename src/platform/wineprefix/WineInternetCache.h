#pragma once

#include <filesystem>
#include <string>

#include "platform/InternetCache.h"

namespace quorvel::platform {
class Shell;
}

namespace quorvel::platform::wineprefix {

class WineFileSystem;

// The URL cache containers where Wine's wininet keeps them: <Cache>\Content.IE5\index.dat,
// <Cookies>\index.dat and <History>\History.IE5\index.dat, the folders being the user's shell
// folders (AppData\Local\Microsoft\Windows\INetCache, INetCookies and History in Wine 8).
// The index is read and written natively; a deletion removes the entry's file first (never
// through a link out of the prefix, and only when it is still the file the entry recorded, as
// wininet checks), then replaces index.dat with a temporary file renamed over it. Writes are
// refused while Wine's server runs for the prefix: wininet keeps the index mapped and would
// overwrite the change.
class WineInternetCache final : public InternetCache {
public:
    WineInternetCache(std::filesystem::path prefix, WineFileSystem& files, const Shell& shell);

    Result<std::vector<CacheEntry>> entries(CacheContainer container) const override;
    Status deleteEntry(CacheContainer container, std::string_view sourceUrl) override;

    // The Windows path of a container's folder (no trailing backslash); "" when the shell folder
    // it lies in does not exist.
    std::string containerFolder(CacheContainer container) const;

private:
    std::filesystem::path prefix_;
    WineFileSystem& files_;
    const Shell& shell_;
};

}  // namespace quorvel::platform::wineprefix
