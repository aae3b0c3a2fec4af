#include "oneclick/RegistryCategory.h"

#include "registry/RegScan.h"

namespace quorvel::oneclick {

std::unique_ptr<core::Worker> RegistryCategory::createScanner(const RunTools& tools) {
    return std::make_unique<registry::TRegScan>(findings_, tools.status, tools.context,
                                                tools.bridge, ignoreLists_);
}

std::unique_ptr<core::Worker> RegistryCategory::createRepair(const RunTools& /*tools*/) {
    return nullptr;
}

}  // namespace quorvel::oneclick
