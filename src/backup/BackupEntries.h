#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/BackupStore.h"
#include "core/formats/TimeSerial.h"
#include "platform/Machine.h"
#include "platform/Status.h"

namespace quorvel::core {
class LanguageTable;
}

namespace quorvel::backup {

// One line of the restore list.
struct BackupListRow {
    std::string caption;   // the language text of the entry's type
    std::string dateText;  // local date and time of the section's TimeSerial; "" when none
    std::uint64_t size = 0;
    std::string sizeText;  // FormatSize of size
    std::string section;   // the entry's index section: its id
    std::string type;      // the "Type" value as written
    std::optional<core::TimeSerial> time;
};

// "2026-12-06 09:14:10" style text of a TimeSerial in the C library's locale ("%x %X").
std::string BackupDateText(core::TimeSerial time);

// Every entry of the store, newest first. A section whose name is not a TimeSerial is listed
// without a date, after the dated ones, so it can still be restored or deleted.
std::vector<BackupListRow> ListBackups(const BackupStore& store,
                                       const core::LanguageTable& language);

// Entries are found by their section, or by its time when the id is written with the other
// decimal separator.
//
// Restores the entry with that section by its type. Fails when the section is not in the
// index, when the entry's type cannot be restored, or when any of its backup files is missing
// or could not be put back. The entry stays in the store.
platform::Status RestoreBackup(platform::Machine& machine, const BackupStore& store,
                               std::string_view section);

// Erases the entry and deletes its backup files (the ones its keys name and the one named like
// the section). Fails when the section is not in the index.
platform::Status DeleteBackup(BackupStore& store, std::string_view section);

}  // namespace quorvel::backup
