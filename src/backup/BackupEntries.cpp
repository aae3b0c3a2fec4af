#include "backup/BackupEntries.h"

#include <ctime>

#include "backup/BackupRestorer.h"
#include "core/language/LanguageTable.h"
#include "core/paths/PathUtils.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::backup {
namespace {

using platform::ErrorCode;
using platform::Status;

// The entry of that section; an id typed with the other decimal separator ("46000.5" for
// "46000,5") finds it too when no section is spelled exactly so.
std::optional<BackupEntry> findEntry(const BackupStore& store, std::string_view section) {
    auto entries = store.entries();
    for (auto& entry : entries) {
        if (platform::text::iequals(entry.section, section)) return std::move(entry);
    }
    const auto time = core::TimeSerial::parse(section);
    if (!time) return std::nullopt;
    for (auto& entry : entries) {
        if (entry.time == time) return std::move(entry);
    }
    return std::nullopt;
}

Status noSuchEntry(std::string_view section) {
    return {ErrorCode::FileNotFound, "There is no backup \"" + std::string(section) + "\"."};
}

}  // namespace

std::string BackupDateText(core::TimeSerial time) {
    using namespace std::chrono;
    const auto local = time.toLocal();
    const auto day = floor<days>(local);
    const year_month_day ymd{day};
    const hh_mm_ss hms{floor<seconds>(local - day)};
    std::tm tm{};
    tm.tm_year = static_cast<int>(ymd.year()) - 1900;
    tm.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    tm.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    tm.tm_hour = static_cast<int>(hms.hours().count());
    tm.tm_min = static_cast<int>(hms.minutes().count());
    tm.tm_sec = static_cast<int>(hms.seconds().count());
    tm.tm_wday = static_cast<int>(weekday{day}.c_encoding());
    char buf[128];
    const std::size_t n = std::strftime(buf, sizeof buf, "%x %X", &tm);
    return std::string(buf, n);
}

std::vector<BackupListRow> ListBackups(const BackupStore& store,
                                       const core::LanguageTable& language) {
    std::vector<BackupListRow> rows;
    for (const auto& entry : store.entries()) {
        BackupListRow row;
        row.type = entry.typeText;
        if (entry.type != 0) row.caption = language.LangText(entry.type);
        if (row.caption.empty()) row.caption = entry.typeText;
        if (entry.time) row.dateText = BackupDateText(*entry.time);
        row.size = store.entrySize(entry.section);
        row.sizeText = core::FormatSize(static_cast<std::int64_t>(row.size));
        row.section = entry.section;
        row.time = entry.time;
        rows.push_back(std::move(row));
    }
    return rows;
}

Status RestoreBackup(platform::Machine& machine, const BackupStore& store,
                     std::string_view section) {
    const auto entry = findEntry(store, section);
    if (!entry) return noSuchEntry(section);
    BackupRestorer restorer(machine, store);
    return restorer.restoreEntry(*entry);
}

Status DeleteBackup(BackupStore& store, std::string_view section) {
    const auto entry = findEntry(store, section);
    if (!entry) return noSuchEntry(section);
    return store.removeEntry(entry->section);
}

}  // namespace quorvel::backup
