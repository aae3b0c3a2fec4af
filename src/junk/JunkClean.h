#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "junk/JunkData.h"

namespace quorvel::junk {

// What a clean did, for the caller's report.
struct JunkCleanResult {
    std::int64_t filesDeleted = 0;
    std::int64_t bytesDeleted = 0;
    std::int64_t cacheEntriesDeleted = 0;
    platform::Status recycleBin;  // the outcome of emptying it (ok when not selected)
};

// The junk category's delete thread: for each selected record, in list order, empties the
// machine's recycle bin, deletes what the temporary-files walk finds (the scan's rules, walked
// again on what is on disk now), or deletes the normal entries of the Internet cache. Links are
// removed as links, never entered; the two temporary folders themselves stay (and are made again
// if they vanished). With dryRun nothing changes and the result says what would go. findings is
// only read; the UI thread must leave it alone while the clean runs.
class TJunkClean final : public core::Worker {
public:
    TJunkClean(const JunkFindings& findings, core::StatusSink& status, const core::Context& context,
               core::UiBridge& bridge, bool dryRun = false);
    ~TJunkClean() override;

    // Valid once the thread has ended.
    const JunkCleanResult& result() const { return result_; }

protected:
    void execute() override;

private:
    void cleanTempFiles(const TJunkData& record, int base);
    void cleanCache(const TJunkData& record, int base);
    void advance(const std::string& path, std::uint64_t size, const TJunkData& record, int base);

    const JunkFindings& findings_;
    core::StatusSink& status_;
    const core::Context& context_;
    bool dryRun_;
    JunkCleanResult result_;
    double progress_ = 0;
    std::int64_t items_ = 0;
};

}  // namespace quorvel::junk
