#pragma once

#include <cstddef>
#include <string_view>

#include "backup/BackupArchiveWriter.h"
#include "backup/TIORegistry.h"
#include "core/formats/IniFile.h"
#include "platform/FileSystem.h"
#include "platform/Status.h"

namespace quorvel::backup {

// The archive of a Shortcuts or Startup backup: a copy of each backed-up file under the number
// of its finding ("0000000007.Sfi"), so files of the same name from different folders never
// collide, and the archive's own index quorvel.ini, always the last entry, with one section per
// item and its full path in "LongName". The index is built in memory: no work file is left in
// the backup folder when a backup is interrupted.
class CategoryArchive {
public:
    explicit CategoryArchive(const platform::FileSystem& fileSystem) : fs_(fileSystem) {}

    // Copies the file of the finding at that position into the archive. A file that cannot be
    // read is left out, index section included, and the failure returned.
    platform::Status addFile(std::size_t position, std::string_view fullPath);
    // Records an empty folder of the Shortcuts category: section "Folder<position>".
    void addFolder(std::size_t position, std::string_view folderPath);
    // Adds the exported registry values of a Startup backup as entry and section
    // "RegistryFile"; adds nothing when nothing was exported.
    platform::Status addRegistryExport(const TIORegistry& exporter);

    // Writes the archive (the items, then quorvel.ini) durably to archivePath.
    platform::Status save(platform::FileSystem& fileSystem, std::string_view archivePath) const;

private:
    const platform::FileSystem& fs_;
    BackupArchiveWriter writer_;
    core::IniFile index_;
};

}  // namespace quorvel::backup
