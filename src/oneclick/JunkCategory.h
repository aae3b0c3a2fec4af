#pragma once

#include "junk/JunkData.h"
#include "oneclick/CategoryTasks.h"

namespace quorvel::oneclick {

// The junk category: TJunkScan leaves one record per category in JunkFindings; TJunkClean
// empties the selected ones. The result is the byte total of the records.
class JunkCategory final : public CategoryTasks {
public:
    explicit JunkCategory(junk::JunkFindings& findings) : findings_(findings) {}

    void clearFindings() override { findings_.clear(); }
    std::unique_ptr<core::Worker> createScanner(const RunTools& tools) override;
    std::unique_ptr<core::Worker> createRepair(const RunTools& tools) override;
    std::string repairEnded(core::Worker& repair) override;
    std::int64_t listCount() const override { return static_cast<std::int64_t>(findings_.size()); }
    std::int64_t sizeSum() const override;
    bool hasSomethingToRepair() const override { return sizeSum() > 0; }

private:
    junk::JunkFindings& findings_;
};

}  // namespace quorvel::oneclick
