#include "platform/wineprefix/WineInternetCache.h"

#include <chrono>
#include <utility>

#include "platform/Shell.h"
#include "platform/wineprefix/UrlCacheFile.h"
#include "platform/wineprefix/WineFileSystem.h"
#include "platform/wineprefix/WineServer.h"

namespace quorvel::platform::wineprefix {

namespace {

FileTime now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return FileTime::fromUnix(std::chrono::duration_cast<std::chrono::seconds>(since).count());
}

std::string indexPath(const std::string& folder) {
    return folder + "\\index.dat";
}

}  // namespace

WineInternetCache::WineInternetCache(std::filesystem::path prefix, WineFileSystem& files,
                                     const Shell& shell)
    : prefix_(std::move(prefix)), files_(files), shell_(shell) {}

std::string WineInternetCache::containerFolder(CacheContainer container) const {
    switch (container) {
        case CacheContainer::Content: {
            const std::string cache = shell_.specialFolder(csidl::InternetCache);
            return cache.empty() ? cache : cache + "\\Content.IE5";
        }
        case CacheContainer::Cookies:
            return shell_.specialFolder(csidl::Cookies);
        case CacheContainer::History: {
            const std::string history = shell_.specialFolder(csidl::History);
            return history.empty() ? history : history + "\\History.IE5";
        }
    }
    return {};
}

Result<std::vector<CacheEntry>> WineInternetCache::entries(CacheContainer container) const {
    const std::string folder = containerFolder(container);
    if (folder.empty()) return std::vector<CacheEntry>{};
    auto bytes = files_.readFile(indexPath(folder));
    if (!bytes) {
        const ErrorCode code = bytes.status().code();
        if (code == ErrorCode::FileNotFound || code == ErrorCode::PathNotFound)
            return std::vector<CacheEntry>{};
        return bytes.status();
    }
    auto index = urlcache::parse(*bytes);
    if (!index)
        return Status(index.status().code(), indexPath(folder) + ": " + index.status().message());
    std::vector<CacheEntry> result;
    result.reserve(index->entries.size());
    for (const auto& e : index->entries) {
        const std::string relative = index->relativeFile(e);
        result.push_back(CacheEntry{e.url, relative.empty() ? "" : folder + "\\" + relative, e.size,
                                    e.entryType, e.lastModified, e.lastAccess, e.expires});
    }
    return result;
}

Status WineInternetCache::deleteEntry(CacheContainer container, std::string_view sourceUrl) {
    const std::string folder = containerFolder(container);
    if (folder.empty())
        return {ErrorCode::FileNotFound,
                "The Internet cache has no entry for " + std::string(sourceUrl) + "."};
    if (WineServer::isRunning(prefix_))
        return {ErrorCode::SharingViolation,
                "Wine is running for the prefix " + prefix_.string() +
                    "; the Internet cache cannot be changed until its programs end "
                    "(wineserver -k)."};
    const std::string path = indexPath(folder);
    auto bytes = files_.readFile(path);
    if (!bytes) {
        const ErrorCode code = bytes.status().code();
        if (code == ErrorCode::FileNotFound || code == ErrorCode::PathNotFound)
            return {ErrorCode::FileNotFound,
                    "The Internet cache has no entry for " + std::string(sourceUrl) + "."};
        return bytes.status();
    }
    auto index = urlcache::parse(*bytes);
    if (!index) return Status(index.status().code(), path + ": " + index.status().message());
    std::string changed = *bytes;
    if (Status s = urlcache::removeEntry(changed, sourceUrl, now()); !s) return s;

    // The entry's file goes first: should that fail, the index still lists it. wininet deletes
    // the file only while its time is the one recorded at commit; another file of that name is
    // not the entry's.
    for (const auto& e : index->entries) {
        if (e.url != sourceUrl) continue;
        const std::string relative = index->relativeFile(e);
        if (relative.empty()) break;
        const std::string file = folder + "\\" + relative;
        const auto found = files_.stat(file);
        if (!found) break;
        std::uint16_t date = 0;
        std::uint16_t time = 0;
        urlcache::toDosDateTime(found->lastWriteTime, date, time);
        if (date != e.writeDate || time != e.writeTime) break;
        if (Status s = files_.deleteFile(file); !s && s.code() != ErrorCode::FileNotFound) return s;
        break;
    }
    return files_.writeFile(path, changed, WriteMode::Durable);
}

}  // namespace quorvel::platform::wineprefix
