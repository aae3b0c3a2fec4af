#include "oneclick/JunkCategory.h"

#include "junk/JunkClean.h"
#include "junk/JunkScan.h"

namespace quorvel::oneclick {

std::unique_ptr<core::Worker> JunkCategory::createScanner(const RunTools& tools) {
    return std::make_unique<junk::TJunkScan>(findings_, tools.status, tools.context, tools.bridge);
}

std::unique_ptr<core::Worker> JunkCategory::createRepair(const RunTools& tools) {
    return std::make_unique<junk::TJunkClean>(findings_, tools.status, tools.context, tools.bridge);
}

// Files that cannot go (read-only, locked meanwhile) are left silently; only a recycle bin that
// could not be emptied is worth a word.
std::string JunkCategory::repairEnded(core::Worker& repair) {
    const auto* clean = dynamic_cast<junk::TJunkClean*>(&repair);
    if (!clean || clean->result().recycleBin) return {};
    return "The recycle bin could not be emptied (" + clean->result().recycleBin.message() + ").";
}

// A failed recycle-bin query is recorded as -1 bytes and adds nothing.
std::int64_t JunkCategory::sizeSum() const {
    std::int64_t sum = 0;
    for (const auto& record : findings_)
        if (record.Size > 0) sum += record.Size;
    return sum;
}

}  // namespace quorvel::oneclick
