#include "platform/wineprefix/UrlCacheFile.h"
#include "support/MachineBuilder.h"

namespace quorvel::testing {

namespace urlcache = platform::wineprefix::urlcache;

std::string MachineBuilder::urlCacheFolder(platform::CacheContainer container) {
    const std::string windows = "C:\\users\\tester\\AppData\\Local\\Microsoft\\Windows\\";
    switch (container) {
        case platform::CacheContainer::Content:
            return windows + "INetCache\\Content.IE5";
        case platform::CacheContainer::Cookies:
            return windows + "INetCookies";
        case platform::CacheContainer::History:
            return windows + "History\\History.IE5";
    }
    return {};
}

MachineBuilder& MachineBuilder::urlCache(platform::CacheContainer container,
                                         const std::vector<CachedUrl>& entries,
                                         platform::FileTime written) {
    const std::string root = urlCacheFolder(container);
    const bool subfolder = container == platform::CacheContainer::Content;
    const std::string files = subfolder ? root + "\\QVCACHE1" : root;
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    urlcache::toDosDateTime(written, date, time);
    std::vector<urlcache::NewEntry> planned;
    for (const auto& e : entries) {
        urlcache::NewEntry n;
        n.url = e.url;
        n.localName = e.fileName;
        n.cacheFolder = subfolder ? 0 : urlcache::kNoSubfolder;
        n.size = e.size;
        n.entryType = e.entryType;
        n.lastModified = written;
        n.lastAccess = written;
        if (!e.fileName.empty()) {
            file(files + "\\" + e.fileName, static_cast<std::size_t>(e.size));
            lastWrite(files + "\\" + e.fileName, written);
            n.writeDate = date;
            n.writeTime = time;
        }
        planned.push_back(std::move(n));
    }
    const std::vector<std::string> folders =
        subfolder ? std::vector<std::string>{"QVCACHE1"} : std::vector<std::string>{};
    folder(root);
    return file(root + "\\index.dat", urlcache::build(folders, planned));
}

}  // namespace quorvel::testing
