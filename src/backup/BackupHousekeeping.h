#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "backup/BackupStore.h"
#include "core/formats/TimeSerial.h"
#include "platform/FileSystem.h"

namespace quorvel::backup {

// The age limit in days that the BackupsDelete setting stands for; 99999999 means never.
double BackupAgeDays(std::int32_t backupsDelete);

// Moves the backups of the suite's two sibling tools into the store: for each sibling folder
// under appData (which ends in a backslash) whose index.ini exists, every section becomes an
// entry of the store's index with the sibling's entry type (11001, 16001), its file is moved
// in, and the sibling index is deleted so nothing is imported twice. A section that is not a
// plain file name is skipped: it could name a file outside the sibling folder. Returns how
// many entries were imported.
int ImportSiblingBackups(platform::FileSystem& fileSystem, std::string_view appData,
                         BackupStore& store);

// Removes entries older than the age limit of backupsDelete (a section that is not a
// TimeSerial counts as infinitely old), then the oldest entries beyond backupsMax - 1, each
// with all its backup files. A backupsMax below 1 (the setting could not be read) removes
// nothing by count. stop is asked between entries. Returns how many entries were removed.
int PruneBackups(BackupStore& store, std::int32_t backupsDelete, std::int32_t backupsMax,
                 core::TimeSerial now, const std::function<bool()>& stop = {});

}  // namespace quorvel::backup
