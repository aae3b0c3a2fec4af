#include "backup/BackupHousekeeping.h"

#include <array>
#include <string>

#include "backup/BackupArchiveNames.h"
#include "core/formats/IniFile.h"
#include "core/formats/ProfileFile.h"

namespace quorvel::backup {
namespace {

struct SiblingFolder {
    std::string_view folder;  // below the application data folder
    std::int32_t type;
};

constexpr std::array<SiblingFolder, 2> kSiblings{{
    {"QuorvelSoft\\Tolvane\\Backups\\", entrytype::SiblingRegistry},
    {"QuorvelSoft\\Dunmor\\Backups\\", entrytype::FolderList},
}};

constexpr double kNever = 99999999.0;

}  // namespace

double BackupAgeDays(std::int32_t backupsDelete) {
    switch (backupsDelete) {
        case 0:
            return 7;
        case 1:
            return 14;
        case 2:
            return 21;
        case 3:
            return 30;
        case 4:
            return 60;
        case 5:
            return 90;
        default:
            return kNever;
    }
}

int ImportSiblingBackups(platform::FileSystem& fs, std::string_view appData, BackupStore& store) {
    int imported = 0;
    for (const auto& sibling : kSiblings) {
        const std::string folder = std::string(appData) + std::string(sibling.folder);
        const std::string siblingIndex = folder + "index.ini";
        if (!fs.isFile(siblingIndex)) continue;
        auto sections = core::IniFile::load(fs, siblingIndex);
        if (!sections) continue;  // unreadable: left for the next start
        if (!fs.createDirectoryTree(store.backupsDir())) return imported;
        core::ProfileFile index(fs, store.indexPath());
        for (const auto& section : sections->sectionNames()) {
            if (!isSafeEntryName(section)) continue;
            // A name that another entry of the store already uses: leave that entry alone. (The
            // same type means an import interrupted before it deleted the sibling index.)
            if (index.sectionExists(section) &&
                index.readInteger(section, "Type", 0) != sibling.type)
                continue;
            if (!index.writeInteger(section, "Type", sibling.type)) continue;
            (void)fs.moveFile(folder + section, store.pathOf(section), false);
            ++imported;
        }
        (void)fs.deleteFile(siblingIndex);
    }
    return imported;
}

int PruneBackups(BackupStore& store, std::int32_t backupsDelete, std::int32_t backupsMax,
                 core::TimeSerial now, const std::function<bool()>& stop) {
    const auto stopped = [&] { return stop && stop(); };
    const double limit = BackupAgeDays(backupsDelete);
    int removed = 0;
    std::vector<BackupEntry> kept;
    for (auto& entry : store.entries()) {  // newest first; undated ones last
        if (stopped()) return removed;
        const double age = now.days() - (entry.time ? entry.time->days() : 0.0);
        if (limit < kNever && age > limit) {
            (void)store.removeEntry(entry.section);
            ++removed;
        } else {
            kept.push_back(std::move(entry));
        }
    }
    if (backupsMax < 1) return removed;
    const auto keep = static_cast<std::size_t>(backupsMax - 1);
    for (std::size_t i = kept.size(); i > keep; --i) {
        if (stopped()) break;
        (void)store.removeEntry(kept[i - 1].section);
        ++removed;
    }
    return removed;
}

}  // namespace quorvel::backup
