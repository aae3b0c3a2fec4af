#include "junk/JunkScan.h"

#include "core/files/ShellWrappers.h"
#include "junk/TempWalk.h"
#include "platform/InternetCache.h"

namespace quorvel::junk {

namespace {
constexpr double kShare = 100.0 / kJunkCategoryCount;
}  // namespace

TJunkScan::TJunkScan(JunkFindings& findings, core::StatusSink& status, const core::Context& context,
                     core::UiBridge& bridge)
    : Worker(bridge), findings_(findings), status_(status), context_(context) {}

TJunkScan::~TJunkScan() {
    stopAndJoin();
}

void TJunkScan::addRecord(JunkCategory category, std::int64_t size, std::int64_t count) {
    const int number = static_cast<int>(category);
    TJunkData record;
    record.Size = size;
    record.Count = count;
    record.Category = number;
    record.Selected = IsCategorySelected(context_.machine, number);
    sync([&] { findings_.push_back(std::move(record)); });
}

// The label shows the latest path; the bar climbs one step per hundred items and stays within
// the current category's share.
void TJunkScan::counted(const std::string& path) {
    if (++itemCounter_ % 100 != 0) return;
    if (position_ < progressBase_ + kShare) ++position_;
    status_.publish(core::ShortenPathKeepDrive(path, status_.widthChars()), position_);
}

void TJunkScan::execute() {
    core::RecycleBinTotals bin;
    core::RecycleBinSize(context_.machine.shell(), "", bin);
    addRecord(JunkCategory::RecycleBin, bin.size, bin.count);
    if (stopRequested()) return;

    progressBase_ += kShare;
    position_ = static_cast<int>(progressBase_);
    itemCounter_ = 0;
    std::int64_t size = 0;
    std::int64_t count = 0;
    TempWalk walk{context_, [this] { return stopRequested(); },
                  [&](const std::string& path, const platform::FindData& entry) {
                      if (entry.isReparsePoint()) return;  // a link holds no data of its own
                      size += static_cast<std::int64_t>(entry.size);
                      ++count;
                      counted(path);
                  }};
    for (const auto& folder : TempFolders(context_.globals)) {
        if (stopRequested()) break;
        walk.run(folder);
    }
    addRecord(JunkCategory::TempFiles, size, count);
    if (stopRequested()) return;

    progressBase_ += kShare;
    position_ = static_cast<int>(progressBase_);
    itemCounter_ = 0;
    size = 0;
    count = 0;
    // A container that cannot be read is simply not counted.
    if (const auto entries =
            context_.machine.internetCache().entries(platform::CacheContainer::Content)) {
        for (const auto& entry : *entries) {
            if (stopRequested()) break;
            if ((entry.entryType & platform::cacheentry::Normal) == 0) continue;
            size += static_cast<std::int64_t>(entry.size);
            ++count;
            counted(entry.localFile);
        }
    }
    addRecord(JunkCategory::InternetCache, size, count);
}

}  // namespace quorvel::junk
