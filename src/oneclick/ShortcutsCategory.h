#pragma once

#include "oneclick/CategoryTasks.h"
#include "shortcuts/ShortcutsData.h"

namespace quorvel::oneclick {

// The shortcuts category: TShortcutsScan fills ShortcutFindings; TShortcutsClean backs the
// checked findings up into the current entry and removes them.
class ShortcutsCategory final : public CategoryTasks {
public:
    explicit ShortcutsCategory(shortcuts::ShortcutFindings& findings) : findings_(findings) {}

    void clearFindings() override { findings_.clear(); }
    std::unique_ptr<core::Worker> createScanner(const RunTools& tools) override;
    std::unique_ptr<core::Worker> createRepair(const RunTools& tools) override;
    std::string repairEnded(core::Worker& repair) override;
    std::int64_t listCount() const override { return static_cast<std::int64_t>(findings_.size()); }

private:
    shortcuts::ShortcutFindings& findings_;
};

}  // namespace quorvel::oneclick
