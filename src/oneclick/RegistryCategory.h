#pragma once

#include "oneclick/CategoryTasks.h"
#include "registry/IgnoreLists.h"
#include "registry/RegData.h"

namespace quorvel::oneclick {

// The registry category: TRegScan over RegFindings, asking the ignore lists; TRegistryClean
// backs the findings up into the current entry and deletes the checked ones.
class RegistryCategory final : public CategoryTasks {
public:
    RegistryCategory(registry::RegFindings& findings, const registry::TGlobalReg& ignoreLists)
        : findings_(findings), ignoreLists_(ignoreLists) {}

    void clearFindings() override { findings_.clear(); }
    std::unique_ptr<core::Worker> createScanner(const RunTools& tools) override;
    std::unique_ptr<core::Worker> createRepair(const RunTools& tools) override;
    std::string repairEnded(core::Worker& repair) override;
    std::int64_t listCount() const override { return static_cast<std::int64_t>(findings_.size()); }

private:
    registry::RegFindings& findings_;
    const registry::TGlobalReg& ignoreLists_;
};

}  // namespace quorvel::oneclick
