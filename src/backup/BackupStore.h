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

    // Starts a one-click entry: creates the folder with its parents and writes "Type" = 29001
    // into a new section named by the time. Returns the section name (the current backup id).
    // A time whose text is already taken moves on by a millisecond until it is free, so an
    // entry never merges into an older one.
    platform::Result<std::string> startOneClickEntry(
        core::TimeSerial now = core::TimeSerial::now());

    // Takes a fresh TimeSerial, writes categoryKey = that name into the entry's section and
    // returns it: the name of the category file about to be written. The name is never one that
    // a file in the folder or a section already has, so two categories recorded within the same
    // instant do not overwrite each other's file.
    platform::Result<std::string> RecordCategoryFile(
        std::string_view entry, std::string_view categoryKey,
        core::TimeSerial now = core::TimeSerial::now());

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

    // Removes the entry: erases its section, then deletes the files its keys name and the file
    // named like the section, so no backup file is left behind unlisted. Only plain file names
    // of the folder are deleted; a value naming anything else is passed over. Files already gone
    // are no error; a file that cannot be deleted is reported, its section is gone all the same.
    platform::Status removeEntry(std::string_view section);

private:
    // The file names an entry's keys give (every key but "Type"), plain names only.
    std::vector<std::string> filesOf(const core::IniFile& index, std::string_view section) const;

    // The text of now, or of the first later millisecond whose text names no section, no file
    // the index hands out and no file of the folder.
    std::string freeName(const core::IniFile& index, core::TimeSerial now) const;

    platform::FileSystem& fs_;
    std::string dir_;
    char separator_;
};

}  // namespace quorvel::backup
