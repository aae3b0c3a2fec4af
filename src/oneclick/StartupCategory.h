#pragma once

#include "oneclick/CategoryTasks.h"
#include "startup/StartupData.h"

namespace quorvel::oneclick {

// The startup category: TStartupScan keeps the entries rated above 60 in StartupFindings;
// TStartupClean backs up the checked ones and moves them into "-Disabled" siblings.
class StartupCategory final : public CategoryTasks {
public:
    explicit StartupCategory(startup::StartupFindings& findings) : findings_(findings) {}

    void clearFindings() override { findings_.clear(); }
    std::unique_ptr<core::Worker> createScanner(const RunTools& tools) override;
    std::unique_ptr<core::Worker> createRepair(const RunTools& tools) override;
    std::string repairEnded(core::Worker& repair) override;
    std::int64_t listCount() const override { return static_cast<std::int64_t>(findings_.size()); }

private:
    startup::StartupFindings& findings_;
};

}  // namespace quorvel::oneclick
