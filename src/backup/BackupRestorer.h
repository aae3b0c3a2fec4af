#pragma once

#include <string_view>

#include "backup/BackupStore.h"
#include "platform/Machine.h"
#include "platform/Status.h"

namespace quorvel::backup {

// Puts backups of the store back into the machine and says honestly how that went: a backup
// file that is missing, an entry that names none, an entry of a type that cannot be restored
// and every failure on the way are reported (collected, the first in words), while the rest of
// the backup is still restored. Nothing that exists is ever overwritten by a file from an
// archive, and nothing is written outside the paths the backup names.
class BackupRestorer {
public:
    BackupRestorer(platform::Machine& machine, const BackupStore& store)
        : machine_(machine), store_(store) {}

    // Restores an entry by its type; entries of unknown type restore nothing.
    platform::Status restoreEntry(const BackupEntry& entry);

    // The category files of a one-click entry: Registry, Shortcuts, Startup, Spyware.
    platform::Status RestoreOneClick(std::string_view section);
    // Imports a registry export file.
    platform::Status RestoreRegistryFile(std::string_view path);
    // Creates the folders listed in section "Folders" of a folder-list file.
    platform::Status RestoreFolderList(std::string_view path);
    // Restores a Shortcuts or Startup archive: folders, the registry part, and each file to its
    // former path unless something is there again (that file is kept).
    platform::Status RestoreArchive(std::string_view path);

private:
    platform::Machine& machine_;
    const BackupStore& store_;
};

}  // namespace quorvel::backup
