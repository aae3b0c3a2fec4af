#include "backup/BackupStore.h"

#include <algorithm>
#include <array>
#include <set>

#include "backup/BackupArchiveNames.h"
#include "core/formats/ProfileFile.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/text/PathSeparators.h"

namespace quorvel::backup {
namespace {

using platform::ErrorCode;
using platform::Status;

constexpr double kMillisecond = 1.0 / 86400000.0;
// How far a name may move on before giving up (a folder full of names from one second).
constexpr int kMaxSteps = 100000;

constexpr std::array<std::string_view, 4> kCategoryKeys{
    categorykey::Registry, categorykey::Shortcuts, categorykey::Startup, categorykey::Spyware};

}  // namespace

BackupStore::BackupStore(platform::FileSystem& fileSystem, std::string backupsDir,
                         char decimalSeparator)
    : fs_(fileSystem),
      dir_(platform::text::withTrailingBackslash(backupsDir)),
      separator_(decimalSeparator) {}

std::string BackupStore::freeName(const core::IniFile& index, core::TimeSerial now,
                                  std::string_view alsoTaken) const {
    std::set<std::string, platform::text::ILess> taken;
    for (auto& section : index.sectionNames()) {
        for (auto& [key, value] : index.sectionValues(section))
            taken.insert(std::move(value));
        taken.insert(std::move(section));
    }
    if (!alsoTaken.empty()) taken.emplace(alsoTaken);
    const auto isFree = [&](const std::string& name) {
        return !taken.contains(name) && !fs_.exists(pathOf(name)) &&
               !fs_.exists(digestFileOf(name));
    };
    std::string name = now.toText(separator_);
    for (int step = 1; step < kMaxSteps; ++step) {
        if (isFree(name)) return name;
        name = core::TimeSerial(now.days() + step * kMillisecond).toText(separator_);
    }
    return name;
}

void BackupStore::removeLeftovers() {
    for (const auto& found : fs_.find(dir_ + "*")) {
        if (found.isDirectory() || found.isReparsePoint()) continue;
        const std::string_view name = found.name;
        // ".<file>.quorvel-XXXXXX": a durable write that never reached its rename.
        const auto mark = name.rfind(".quorvel-");
        const bool temporary = name.starts_with('.') && mark != std::string_view::npos &&
                               name.size() - mark == std::string_view(".quorvel-XXXXXX").size();
        if (temporary) (void)fs_.deleteFile(pathOf(name));
    }
}

platform::Result<std::string> BackupStore::startOneClickEntry(core::TimeSerial now) {
    if (Status s = fs_.createDirectoryTree(dir_); !s) return s;
    auto index = core::IniFile::load(fs_, indexPath());
    if (!index) return index.status();
    removeLeftovers();
    const std::string section = freeName(*index, now);
    if (Status s = fs_.writeFile(digestFileOf(section), {}, platform::WriteMode::Durable); !s)
        return s;
    return section;
}

platform::Result<std::string> BackupStore::RecordCategoryFile(std::string_view entry,
                                                              std::string_view categoryKey,
                                                              core::TimeSerial now) {
    (void)categoryKey;  // the key is written when the file is complete
    auto index = core::IniFile::load(fs_, indexPath());
    if (!index) return index.status();
    return freeName(*index, now, entry);
}

platform::Result<BackupStore::CategoryFileSlot> BackupStore::openCategoryFile(
    std::string_view entry, std::string_view categoryKey) {
    CategoryFileSlot slot{std::string(entry), {}};
    if (slot.entry.empty()) {
        auto started = startOneClickEntry();
        if (!started) return started.status();
        slot.entry = std::move(started).value();
    }
    auto name = RecordCategoryFile(slot.entry, categoryKey);
    if (!name) return name.status();
    slot.fileName = std::move(name).value();
    return slot;
}

Status BackupStore::WriteRegistryExport(TIORegistry& exporter,
                                        const std::vector<RegistryBackupItem>& items,
                                        std::string_view fileName) {
    exporter.clear();
    for (const auto& item : items) {
        if (item.valueName)
            exporter.ExportRegistry(item.rootName, item.keyPath, *item.valueName);
        else
            exporter.ExportRegistry(item.rootName, item.keyPath);
    }
    return exporter.save(pathOf(fileName));
}

std::vector<BackupEntry> BackupStore::entries() const {
    auto index = core::IniFile::load(fs_, indexPath());
    if (!index) return {};
    std::vector<BackupEntry> list;
    for (auto& section : index->sectionNames()) {
        BackupEntry entry;
        entry.time = core::TimeSerial::parse(section);
        entry.type = index->readInteger(section, "Type", 0);
        entry.typeText = index->readString(section, "Type");
        for (const auto key : kCategoryKeys) {
            if (index->valueExists(section, key))
                entry.categoryFiles.emplace_back(std::string(key), index->readString(section, key));
        }
        entry.section = std::move(section);
        list.push_back(std::move(entry));
    }
    std::stable_sort(list.begin(), list.end(), [](const BackupEntry& a, const BackupEntry& b) {
        if (a.time && b.time) return *a.time > *b.time;
        if (a.time || b.time) return a.time.has_value();  // timed entries first
        return a.section > b.section;
    });
    return list;
}

std::vector<std::string> BackupStore::filesOf(const core::IniFile& index,
                                              std::string_view section) const {
    std::vector<std::string> files;
    for (auto& [key, value] : index.sectionValues(section)) {
        if (!platform::text::iequals(key, "Type") && isSafeEntryName(value))
            files.push_back(std::move(value));
    }
    return files;
}

std::uint64_t BackupStore::entrySize(std::string_view section) const {
    auto index = core::IniFile::load(fs_, indexPath());
    if (!index) return 0;
    const auto sizeOf = [&](std::string_view name) -> std::uint64_t {
        const auto info = fs_.stat(pathOf(name));
        return info && !info->isDirectory() ? info->size : 0;
    };
    std::uint64_t total = 0;
    for (const auto& file : filesOf(*index, section))
        total += sizeOf(file);
    if (total == 0 && isSafeEntryName(section)) total = sizeOf(section);
    return total;
}

Status BackupStore::removeEntry(std::string_view section) {
    auto index = core::IniFile::load(fs_, indexPath());
    if (!index) return index.status();
    std::vector<std::string> files = filesOf(*index, section);
    if (isSafeEntryName(section)) {
        files.emplace_back(section);
        files.push_back(std::string(section) + std::string(kDigestSuffix));
    }

    core::ProfileFile file(fs_, indexPath());
    if (Status s = file.eraseSection(section); !s) return s;
    Status first;
    for (const auto& name : files) {
        const std::string path = pathOf(name);
        if (!fs_.isFile(path)) continue;
        if (Status s = fs_.deleteFile(path); !s && first) first = s;
    }
    return first;
}

}  // namespace quorvel::backup
