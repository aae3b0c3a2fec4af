#include "backup/TPrepare.h"

#include "backup/BackupHousekeeping.h"
#include "backup/BackupStore.h"

namespace quorvel::backup {

TPrepare::TPrepare(const core::Context& context, core::UiBridge& bridge)
    : core::Worker(bridge), context_(context) {}

TPrepare::~TPrepare() {
    stopAndJoin();
}

void TPrepare::execute() {
    const auto& globals = context_.globals;
    if (globals.BackupsDir.empty()) return;
    auto& fs = context_.machine.fileSystem();
    BackupStore store(fs, globals.BackupsDir);
    if (!globals.AppData.empty()) imported_ = ImportSiblingBackups(fs, globals.AppData, store);
    if (stopRequested()) return;
    removed_ = PruneBackups(store, globals.BackupsDelete, globals.BackupsMax,
                            core::TimeSerial::now(), [this] { return stopRequested(); });
}

}  // namespace quorvel::backup
