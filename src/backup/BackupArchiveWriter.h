#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "backup/BackupArchiveNames.h"
#include "platform/FileSystem.h"
#include "platform/Status.h"

namespace quorvel::backup {

// Builds a backup archive in memory: a ZIP file whose every entry is deflated and encrypted with
// traditional ZIP (PKWARE) encryption, readable by any ZIP tool that knows the password.
class BackupArchiveWriter {
public:
    explicit BackupArchiveWriter(std::string password = std::string(kArchivePassword))
        : password_(std::move(password)) {}

    // Adds an entry. Refuses a name that is not a safe flat name (isSafeEntryName) or that an
    // earlier entry already has in any letter case (both would lose a file on extraction), and
    // contents larger than kMaxEntrySize (a reader would refuse them).
    platform::Status add(std::string_view entryName, std::string contents);

    std::size_t entryCount() const { return entries_.size(); }

    // The archive file's bytes, entries in the order they were added.
    platform::Result<std::string> build() const;
    // Builds and writes the archive durably (temporary file, flush, rename).
    platform::Status save(platform::FileSystem& fileSystem, std::string_view path) const;

private:
    struct Entry {
        std::string name;
        std::string contents;
    };

    std::string password_;
    std::vector<Entry> entries_;
};

}  // namespace quorvel::backup
