#include "backup/BackupRestorer.h"

#include <utility>
#include <vector>

#include "backup/BackupArchiveNames.h"
#include "backup/BackupArchiveReader.h"
#include "backup/TIORegistry.h"
#include "core/formats/IniFile.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::backup {
namespace {

using platform::ErrorCode;
using platform::Status;

// Collects failures: how many, and the first in words.
class Outcome {
public:
    void add(const Status& s) {
        if (s) return;
        if (count_++ == 0) first_ = s;
    }
    Status result() const {
        if (count_ <= 1) return first_;
        return {first_.code(),
                first_.message() + " (and " + std::to_string(count_ - 1) + " more problem(s))"};
    }

private:
    int count_ = 0;
    Status first_;
};

// The folder part of a Windows path, without the final separator; "" when there is none.
std::string_view folderOf(std::string_view path) {
    const auto sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? std::string_view{} : path.substr(0, sep);
}

Status missingFile(std::string_view path) {
    return {ErrorCode::FileNotFound, "The backup file \"" + std::string(path) + "\" is missing."};
}

Status outside(std::string_view backup, std::string_view target) {
    return {ErrorCode::AccessDenied,
            "The backup \"" + std::string(backup) + "\" would write \"" + std::string(target) +
                "\", which lies outside the machine (a drive mapped elsewhere or a symbolic "
                "link); nothing of it was restored."};
}

// "name.ext" -> "name.Sfi"; a name without extension gets one.
std::string withSfiExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot)) + ".Sfi";
}

}  // namespace

Status BackupRestorer::restoreEntry(const BackupEntry& entry) {
    const std::string file = store_.pathOf(entry.section);
    switch (entry.type) {
        case entrytype::OneClick:
            return RestoreOneClick(entry.section);
        case entrytype::SiblingRegistry:
        case entrytype::ToolRegistry:
        case entrytype::ToolRegistry2:
            return RestoreRegistryFile(file);
        case entrytype::ToolArchive:
        case entrytype::ToolArchive2:
        case entrytype::ToolArchive3:
            return RestoreArchive(file);
        case entrytype::FolderList:
            return RestoreFolderList(file);
        default:
            return {ErrorCode::InvalidParameter,
                    "Backups of type " + std::to_string(entry.type) + " cannot be restored."};
    }
}

Status BackupRestorer::RestoreOneClick(std::string_view section) {
    auto index = core::IniFile::load(machine_.fileSystem(), store_.indexPath());
    if (!index) return index.status();
    if (!index->sectionExists(section))
        return {ErrorCode::FileNotFound,
                "There is no backup \"" + std::string(section) + "\" in the index."};
    struct Part {
        std::string path;
        bool archive;
    };
    std::vector<Part> parts;
    Outcome outcome;
    bool any = false;
    const auto addPart = [&](std::string_view key, bool archive) -> Status {
        const std::string name = index->readString(section, key);
        if (name.empty()) return Status::ok();  // category not backed up
        any = true;
        // The index names plain files of the backup folder; anything else is not followed.
        if (!isSafeEntryName(name))
            return {ErrorCode::AccessDenied,
                    "Backup index names \"" + name + "\", which is not a plain file name."};
        const std::string path = store_.pathOf(name);
        if (!machine_.fileSystem().isFile(path)) return missingFile(path);
        // A file that is not the one written (cut short, changed) is not restored at all.
        if (Status s = store_.verifyCategoryFile(section, name); !s) return s;
        parts.push_back({path, archive});
        return Status::ok();
    };
    for (const auto& [key, archive] :
         {std::pair{categorykey::Registry, false}, std::pair{categorykey::Shortcuts, true},
          std::pair{categorykey::Startup, true}, std::pair{categorykey::Spyware, false}})
        outcome.add(addPart(key, archive));
    if (!any)
        return {ErrorCode::FileNotFound,
                "The backup \"" + std::string(section) + "\" holds no backup files."};
    for (const auto& part : parts)
        outcome.add(part.archive ? RestoreArchive(part.path) : RestoreRegistryFile(part.path));
    return outcome.result();
}

Status BackupRestorer::RestoreRegistryFile(std::string_view path) {
    if (!machine_.fileSystem().isFile(path)) return missingFile(path);
    TIORegistry importer(machine_);
    return importer.ImportRegistry(path, TIORegistry::Scope::PutBackOnly);
}

Status BackupRestorer::RestoreFolderList(std::string_view path) {
    auto& fs = machine_.fileSystem();
    if (!fs.isFile(path)) return missingFile(path);
    auto list = core::IniFile::load(fs, path);
    if (!list) return list.status();
    for (const auto& [key, folder] : list->sectionValues("Folders")) {
        if (!folder.empty() && !fs.staysInside(folder)) return outside(path, folder);
    }
    Outcome outcome;
    for (const auto& [key, folder] : list->sectionValues("Folders")) {
        if (!folder.empty()) outcome.add(fs.createDirectoryTree(folder));
    }
    return outcome.result();
}

Status BackupRestorer::RestoreArchive(std::string_view path) {
    auto& fs = machine_.fileSystem();
    if (!fs.isFile(path)) return missingFile(path);
    auto archive = BackupArchiveReader::load(fs, path);
    if (!archive) return archive.status();
    auto indexText = archive->read(kArchiveIndexName);
    if (!indexText) return indexText.status();
    const core::IniFile index = core::IniFile::parse(*indexText);

    // Nothing of an archive is restored when any of it would land outside the machine.
    for (const auto& section : index.sectionNames()) {
        const std::string longName = index.readString(section, "LongName");
        if (platform::text::iequals(section, kRegistryFileEntry) || folderOf(longName).empty())
            continue;  // not a place on a drive (reported below when it should be one)
        if (!fs.staysInside(longName)) return outside(path, longName);
    }

    Outcome outcome;
    for (const auto& section : index.sectionNames()) {
        const std::string longName = index.readString(section, "LongName");
        if (platform::text::istartsWith(section, "folder")) {
            if (!longName.empty()) outcome.add(fs.createDirectoryTree(longName));
            continue;
        }
        if (platform::text::iequals(section, kRegistryFileEntry)) {
            auto text = archive->read(kRegistryFileEntry);
            if (!text) {
                outcome.add(text.status());
                continue;
            }
            TIORegistry importer(machine_);
            outcome.add(importer.importBytes(*text, TIORegistry::Scope::PutBackOnly));
            continue;
        }
        const std::string entry = withSfiExtension(section);
        if (!isSafeEntryName(entry)) {
            outcome.add({ErrorCode::AccessDenied,
                         "Refused archive entry \"" + entry + "\": not a plain file name."});
            continue;
        }
        if (longName.empty() || folderOf(longName).empty()) {
            outcome.add({ErrorCode::InvalidData,
                         "Archive entry \"" + entry + "\" has no full path to restore to."});
            continue;
        }
        if (fs.exists(longName)) continue;  // occupied again: the present file is kept
        auto contents = archive->read(entry);
        if (!contents) {
            outcome.add(contents.status());
            continue;
        }
        if (Status s = fs.createDirectoryTree(folderOf(longName)); !s) {
            outcome.add(s);
            continue;
        }
        outcome.add(fs.writeFile(longName, *contents, platform::WriteMode::Durable));
    }
    return outcome.result();
}

}  // namespace quorvel::backup
