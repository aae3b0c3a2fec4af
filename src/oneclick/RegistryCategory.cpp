#include "oneclick/RegistryCategory.h"

#include "registry/RegScan.h"
#include "registry/RegistryClean.h"

namespace quorvel::oneclick {

std::unique_ptr<core::Worker> RegistryCategory::createScanner(const RunTools& tools) {
    return std::make_unique<registry::TRegScan>(findings_, tools.status, tools.context,
                                                tools.bridge, ignoreLists_);
}

std::unique_ptr<core::Worker> RegistryCategory::createRepair(const RunTools& tools) {
    return std::make_unique<registry::TRegistryClean>(findings_, tools.status, tools.context,
                                                      tools.bridge, tools.currentBackupId);
}

// A finding that could not be deleted is usually one already gone with its parent key, so
// only a failed backup or save counts as a problem.
std::string RegistryCategory::repairEnded(core::Worker& repair) {
    const auto* clean = dynamic_cast<registry::TRegistryClean*>(&repair);
    if (!clean) return {};
    const auto& result = clean->result();
    if (!result.backupStatus) {
        return "The registry backup failed (" + result.backupStatus.message() +
               "); no registry entry was removed.";
    }
    if (!result.flushStatus) {
        return "The registry changes could not be saved (" + result.flushStatus.message() + ").";
    }
    return {};
}

}  // namespace quorvel::oneclick
