#include "backup/BackupArchiveNames.h"
#include "backup/BackupStore.h"
#include "backup/CategoryArchive.h"

namespace quorvel::backup {

namespace {

// Archives are built in memory; a work copy of quorvel.ini that an interrupted pass of another
// tool left in the folder is removed so it cannot be mistaken for a backup.
void removeStaleWorkFiles(platform::FileSystem& fs, const BackupStore& store) {
    for (const auto name : {kArchiveIndexName, kRegistryFileEntry}) {
        const std::string path = store.pathOf(name);
        if (fs.isFile(path)) (void)fs.deleteFile(path);
    }
}

}  // namespace

ArchiveBackupResult BackupStore::WriteShortcutArchive(const std::vector<ShortcutBackupItem>& items,
                                                      std::string_view fileName) {
    removeStaleWorkFiles(fs_, *this);
    ArchiveBackupResult result;
    CategoryArchive archive(fs_);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        if (!item.selected) continue;
        if (item.isFolder) {
            archive.addFolder(i, item.path);
        } else if (!archive.addFile(i, item.path)) {
            result.notBackedUp.push_back(i);
        }
    }
    result.status = archive.save(fs_, pathOf(fileName));
    return result;
}

ArchiveBackupResult BackupStore::WriteStartupArchive(TIORegistry& exporter,
                                                     const std::vector<StartupBackupItem>& items,
                                                     std::string_view fileName,
                                                     const BackupProgress& progress) {
    removeStaleWorkFiles(fs_, *this);
    ArchiveBackupResult result;
    CategoryArchive archive(fs_);
    exporter.clear();
    const std::size_t count = items.size();
    for (std::size_t i = 0; i < count; ++i) {
        const auto& item = items[i];
        if (progress) progress("Backuping " + item.name, static_cast<int>((i + 1) * 100 / count));
        if (!item.selected) continue;
        if (item.kind == StartupBackupItem::RegistryValue) {
            // A value that no longer exists has nothing to lose; it adds nothing.
            exporter.ExportRegistry(item.rootName, item.keyPath, item.valueName);
        } else if (item.kind == StartupBackupItem::StartupFile) {
            if (!archive.addFile(i, item.filePath)) result.notBackedUp.push_back(i);
        }
    }
    if (platform::Status s = archive.addRegistryExport(exporter); !s) {
        result.status = s;
        return result;
    }
    result.status = archive.save(fs_, pathOf(fileName));
    return result;
}

}  // namespace quorvel::backup
