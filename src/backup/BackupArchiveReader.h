#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "backup/BackupArchiveNames.h"
#include "platform/FileSystem.h"
#include "platform/Status.h"

namespace quorvel::backup {

// Reads a backup archive from its bytes. Entries are decrypted with the password when they are
// encrypted and read as they are when not. Not for use from several threads at once.
class BackupArchiveReader {
public:
    // Refuses data that is not a consistent ZIP archive.
    static platform::Result<BackupArchiveReader> fromBytes(
        std::string bytes, std::string password = std::string(kArchivePassword));
    static platform::Result<BackupArchiveReader> load(
        const platform::FileSystem& fileSystem, std::string_view path,
        std::string password = std::string(kArchivePassword));

    BackupArchiveReader(BackupArchiveReader&&) noexcept;
    BackupArchiveReader& operator=(BackupArchiveReader&&) noexcept;
    ~BackupArchiveReader();

    // Entry names in archive order.
    const std::vector<std::string>& entryNames() const;
    // Whether an entry of that name exists (letter case ignored).
    bool contains(std::string_view entryName) const;

    // The contents of an entry (name matched ignoring letter case). Fails on a wrong password,
    // damaged data, or an entry larger than kMaxEntrySize.
    platform::Result<std::string> read(std::string_view entryName) const;

    // Writes an entry as folder\entryName, replacing a file of that name there. Refuses names
    // that could reach outside the folder (isSafeEntryName) before reading anything.
    platform::Status extract(platform::FileSystem& fileSystem, std::string_view entryName,
                             std::string_view folder) const;

private:
    struct Impl;
    explicit BackupArchiveReader(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace quorvel::backup
