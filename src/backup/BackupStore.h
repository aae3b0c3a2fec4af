#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/BackupItems.h"
#include "backup/TIORegistry.h"
#include "core/formats/IniFile.h"
#include "core/formats/TimeSerial.h"
#include "platform/FileSystem.h"
#include "platform/Status.h"

namespace quorvel::backup {

// Entry types: the "Type" value of an index.ini section.
namespace entrytype {
inline constexpr std::int32_t OneClick = 29001;
inline constexpr std::int32_t SiblingRegistry = 11001;
inline constexpr std::int32_t ToolRegistry = 12001;
inline constexpr std::int32_t ToolRegistry2 = 23001;
inline constexpr std::int32_t ToolArchive = 13001;
inline constexpr std::int32_t ToolArchive2 = 14001;
inline constexpr std::int32_t ToolArchive3 = 17001;
inline constexpr std::int32_t FolderList = 16001;
}  // namespace entrytype

// The keys of a one-click entry that name its category files.
namespace categorykey {
inline constexpr std::string_view Registry = "29601";
inline constexpr std::string_view Shortcuts = "29602";
inline constexpr std::string_view Startup = "29603";
inline constexpr std::string_view Spyware = "29606";
}  // namespace categorykey

// One section of index.ini.
struct BackupEntry {
    std::string section;                   // the TimeSerial text the entry was started at
    std::optional<core::TimeSerial> time;  // nullopt when the section is not a number
    std::int32_t type = 0;                 // "Type"; 0 when missing or not a number
    std::string typeText;                  // "Type" as written
    std::vector<core::IniFile::KeyValue> categoryFiles;  // category key -> file name, key order
};

// The backup folder of one machine: index.ini with one section per backup entry, named by the
// TimeSerial of its start, and the backup files it names, all directly in the folder. Every
// write reaches the file at once.
class BackupStore {
public:
    // backupsDir is a folder of the machine; a missing final backslash is added.
    BackupStore(platform::FileSystem& fileSystem, std::string backupsDir,
                char decimalSeparator = core::LocaleDecimalSeparator());

    const std::string& backupsDir() const { return dir_; }
    std::string indexPath() const { return dir_ + "index.ini"; }
    std::string pathOf(std::string_view fileName) const { return dir_ + std::string(fileName); }

    // Starts a one-click entry: creates the folder with its parents and returns a section name
    // for it (the current backup id), reserved by the entry's empty digest file. The entry is
    // listed in index.ini only when its first category file is complete (commitCategoryFile),
    // so a kill or a full disk on the way never leaves an entry without its files. A time whose
    // text is already taken moves on by a millisecond until it is free. Temporary files an
    // interrupted write left in the folder are removed first.
    platform::Result<std::string> startOneClickEntry(
        core::TimeSerial now = core::TimeSerial::now());

    // Takes a fresh TimeSerial and returns it as the name of the category file about to be
    // written for the entry; nothing is written. The name is never one that a file in the
    // folder, a section or the entry itself has, so two categories recorded within the same
    // instant do not overwrite each other's file.
    platform::Result<std::string> RecordCategoryFile(
        std::string_view entry, std::string_view categoryKey,
        core::TimeSerial now = core::TimeSerial::now());

    // Where a category's backup goes: `entry` when it names one (the current one-click entry),
    // else a one-click entry started now, and a fresh name for the category's file in it.
    struct CategoryFileSlot {
        std::string entry;
        std::string fileName;
    };
    platform::Result<CategoryFileSlot> openCategoryFile(std::string_view entry,
                                                        std::string_view categoryKey);

    // Lists a category file that is complete on disk in its entry: its SHA-256 goes into the
    // entry's digest file, then categoryKey = fileName (and "Type" = 29001 for a new section)
    // into index.ini in one write. Fails, listing nothing, when the file cannot be read.
    platform::Status commitCategoryFile(std::string_view entry, std::string_view categoryKey,
                                        std::string_view fileName);
    // Takes back a category file whose change did not happen (the repair could not be saved):
    // deletes the file, its key and its digest; an entry left with no category file goes too.
    platform::Status discardCategoryFile(std::string_view entry, std::string_view categoryKey,
                                         std::string_view fileName);
    // Whether a category file of the entry is the one that was written: its SHA-256 matches the
    // one kept in the entry's digest file. Entries written before digests were kept have no
    // digest file and pass.
    platform::Status verifyCategoryFile(std::string_view entry, std::string_view fileName) const;
    // The digest file of an entry: "<sha-256>  <file name>" lines, as sha256sum reads them.
    std::string digestFileOf(std::string_view entry) const {
        return pathOf(std::string(entry) + std::string(kDigestSuffix));
    }
    static constexpr std::string_view kDigestSuffix = ".sha256";

    // Whether index.ini can be read: fails naming the first line that is no section, key or
    // comment (the file is damaged, and listing it would hide backups it held).
    platform::Status indexStatus() const;

    // Exports every item in order through the component (after clearing it) and saves the text
    // as a file of the folder, also when nothing was exported.
    platform::Status WriteRegistryExport(TIORegistry& exporter,
                                         const std::vector<RegistryBackupItem>& items,
                                         std::string_view fileName);

    // The Shortcuts archive: each selected shortcut under the number of its position, each
    // selected empty folder as section "Folder<position>" of the archive's quorvel.ini. Written
    // durably as a file of the folder, also when nothing is selected.
    ArchiveBackupResult WriteShortcutArchive(const std::vector<ShortcutBackupItem>& items,
                                             std::string_view fileName);
    // The Startup archive: each selected startup-folder file under the number of its position,
    // and the selected registry values exported into one "RegistryFile" entry (only when there
    // is one). Reports "Backuping <name>" for every finding, selected or not.
    ArchiveBackupResult WriteStartupArchive(TIORegistry& exporter,
                                            const std::vector<StartupBackupItem>& items,
                                            std::string_view fileName,
                                            const BackupProgress& progress = {});

    // Every entry of index.ini, newest first: sections that are TimeSerials by their time, then
    // any others by descending text. A missing index lists nothing.
    std::vector<BackupEntry> entries() const;

    // Bytes the entry takes: the files its keys name (all keys but "Type"), or, when those add up
    // to nothing, the file named like the section. Missing files count 0.
    std::uint64_t entrySize(std::string_view section) const;

    // Removes the entry: erases its section, then deletes the files its keys name, its digest
    // file and the file named like the section, so no backup file is left behind unlisted. Only
    // plain file names of the folder are deleted; a value naming anything else is passed over.
    // Files already gone are no error; a file that cannot be deleted is reported, its section is
    // gone all the same.
    platform::Status removeEntry(std::string_view section);

private:
    // The file names an entry's keys give (every key but "Type"), plain names only.
    std::vector<std::string> filesOf(const core::IniFile& index, std::string_view section) const;

    // The text of now, or of the first later millisecond whose text names no section, no file
    // the index hands out and no file of the folder.
    std::string freeName(const core::IniFile& index, core::TimeSerial now,
                         std::string_view alsoTaken = {}) const;
    // Removes temporary files that an interrupted durable write left in the folder.
    void removeLeftovers();

    platform::FileSystem& fs_;
    std::string dir_;
    char separator_;
};

}  // namespace quorvel::backup
