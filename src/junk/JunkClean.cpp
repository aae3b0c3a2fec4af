#include "junk/JunkClean.h"

#include <cmath>

#include "core/files/ShellWrappers.h"
#include "junk/TempWalk.h"
#include "platform/InternetCache.h"

namespace quorvel::junk {

TJunkClean::TJunkClean(const JunkFindings& findings, core::StatusSink& status,
                       const core::Context& context, core::UiBridge& bridge, bool dryRun)
    : Worker(bridge), findings_(findings), status_(status), context_(context), dryRun_(dryRun) {}

TJunkClean::~TJunkClean() {
    stopAndJoin();
}

// The bar moves through the record's share by the bytes handled against the scanned total; the
// label and bar are published once per hundred items.
void TJunkClean::advance(const std::string& path, std::uint64_t size, const TJunkData& record,
                         int base) {
    if (record.Size > 0) {
        progress_ += static_cast<double>(size) * 100.0 / static_cast<double>(record.Size) /
                     static_cast<double>(findings_.size());
    }
    if (++items_ % 100 != 0) return;
    status_.publish(core::ShortenTail(path, status_.widthChars()),
                    base + static_cast<int>(std::nearbyint(progress_)));
}

void TJunkClean::cleanTempFiles(const TJunkData& record, int base) {
    auto& fs = context_.machine.fileSystem();
    TempWalk walk{context_, [this] { return stopRequested(); },
                  [&](const std::string& path, const platform::FindData& entry) {
                      bool gone = dryRun_;
                      if (!dryRun_) {
                          // A link goes as the link itself: a folder link through
                          // removeDirectory, which unlinks it without entering it.
                          gone = entry.isDirectory() ? fs.removeDirectory(path).isOk()
                                                     : fs.deleteFile(path).isOk();
                      }
                      if (gone && !entry.isReparsePoint()) {
                          ++result_.filesDeleted;
                          result_.bytesDeleted += static_cast<std::int64_t>(entry.size);
                      }
                      advance(path, entry.size, record, base);
                  },
                  !dryRun_};
    for (const auto& folder : TempFolders(context_.globals)) {
        if (stopRequested()) break;
        walk.run(folder);
        if (!dryRun_) fs.createDirectoryTree(folder);
    }
}

void TJunkClean::cleanCache(const TJunkData& record, int base) {
    auto& cache = context_.machine.internetCache();
    const auto entries = cache.entries(platform::CacheContainer::Content);
    if (!entries) return;
    for (const auto& entry : *entries) {
        if (stopRequested()) return;
        if ((entry.entryType & platform::cacheentry::Normal) == 0) continue;
        if (dryRun_ || cache.deleteEntry(platform::CacheContainer::Content, entry.sourceUrl))
            ++result_.cacheEntriesDeleted;
        advance(entry.localFile, entry.size, record, base);
    }
}

void TJunkClean::execute() {
    const std::size_t n = findings_.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (stopRequested()) return;
        const TJunkData& record = findings_[i];
        const int base = static_cast<int>(
            std::nearbyint(static_cast<double>(i) * 100.0 / static_cast<double>(n)));
        if (!record.Selected) continue;
        progress_ = 0;
        switch (static_cast<JunkCategory>(record.Category)) {
            case JunkCategory::RecycleBin:
                if (!dryRun_)
                    result_.recycleBin = core::EmptyRecycleBin(context_.machine.shell(), "");
                status_.publish(record.Name, static_cast<int>((i + 1) * 100 / n) + base);
                break;
            case JunkCategory::TempFiles:
                cleanTempFiles(record, base);
                break;
            case JunkCategory::InternetCache:
                cleanCache(record, base);
                break;
        }
    }
}

}  // namespace quorvel::junk
