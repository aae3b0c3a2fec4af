#include "backup/CategoryArchive.h"

namespace quorvel::backup {

using platform::Status;

namespace {
constexpr std::string_view kLongName = "LongName";
}

Status CategoryArchive::addFile(std::size_t position, std::string_view fullPath) {
    if (const auto info = fs_.stat(fullPath); info && info->size > kMaxEntrySize)
        return {platform::ErrorCode::NotEnoughMemory,
                "\"" + std::string(fullPath) + "\" is too large to back up."};
    auto contents = fs_.readFile(fullPath);
    if (!contents) return contents.status();
    const std::string entry = sfiEntryName(position);
    if (Status s = writer_.add(entry, std::move(*contents)); !s) return s;
    index_.writeString(entry, kLongName, fullPath);
    return Status::ok();
}

void CategoryArchive::addFolder(std::size_t position, std::string_view folderPath) {
    index_.writeString("Folder" + std::to_string(position), kLongName, folderPath);
}

Status CategoryArchive::addRegistryExport(const TIORegistry& exporter) {
    if (exporter.exportLineCount() == 0) return Status::ok();
    if (Status s = writer_.add(kRegistryFileEntry, exporter.fileBytes()); !s) return s;
    index_.writeString(kRegistryFileEntry, kLongName, kRegistryFileEntry);
    return Status::ok();
}

Status CategoryArchive::save(platform::FileSystem& fileSystem, std::string_view archivePath) const {
    BackupArchiveWriter archive = writer_;
    if (Status s = archive.add(kArchiveIndexName, index_.serialize()); !s) return s;
    return archive.save(fileSystem, archivePath);
}

}  // namespace quorvel::backup
