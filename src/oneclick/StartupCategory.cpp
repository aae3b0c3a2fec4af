#include "oneclick/StartupCategory.h"

#include "startup/StartupClean.h"
#include "startup/StartupScan.h"

namespace quorvel::oneclick {

std::unique_ptr<core::Worker> StartupCategory::createScanner(const RunTools& tools) {
    return std::make_unique<startup::TStartupScan>(findings_, tools.status, tools.context,
                                                   tools.bridge);
}

std::unique_ptr<core::Worker> StartupCategory::createRepair(const RunTools& tools) {
    return std::make_unique<startup::TStartupClean>(findings_, tools.status, tools.context,
                                                    tools.bridge, tools.currentBackupId);
}

// A failed backup or save changed nothing (or not all); entries that could not be moved (a
// startup folder linked out of the machine) were left where they are.
std::string StartupCategory::repairEnded(core::Worker& repair) {
    const auto* clean = dynamic_cast<startup::TStartupClean*>(&repair);
    if (!clean) return {};
    const auto& result = clean->result();
    if (!result.backupStatus) {
        return "The startup backup failed (" + result.backupStatus.message() +
               "); no startup entry was disabled.";
    }
    if (!result.flushStatus) {
        return "The startup changes could not be saved (" + result.flushStatus.message() + ").";
    }
    if (!result.leftAlone.empty()) {
        return std::to_string(result.leftAlone.size()) + " startup entr" +
               (result.leftAlone.size() == 1 ? "y was" : "ies were") + " left alone.";
    }
    return {};
}

}  // namespace quorvel::oneclick
