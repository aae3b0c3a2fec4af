#pragma once

#include <string_view>

#include "backup/BackupStore.h"
#include "platform/Machine.h"
#include "platform/Status.h"

namespace quorvel::backup {

// Puts backups of the store back into the machine. A backup file that no longer exists is
// skipped without error; other failures are collected and reported together, and the rest of
// the backup is still restored. Nothing that exists is ever overwritten by a file from an
// archive.
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
