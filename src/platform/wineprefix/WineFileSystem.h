#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/wineprefix/WinePath.h"

namespace quorvel::platform::wineprefix {

// The file system of a Wine prefix. Drive letters are the `x:` links in <prefix>/dosdevices
// ("c:" -> "../drive_c"); every path component is found case-insensitively the way Wine finds
// it (the exact name first, then a scan of the folder). Attributes follow Wine: read-only when
// the owner may not write, hidden and system from the user.DOSATTRIB extended attribute (names
// starting with "." are hidden when there is none), symbolic links are reparse points and are
// never followed by stat, find or any delete. Nothing is written, created, moved or deleted
// outside the prefix's folder: not through a link that leads out of it (Wine links Desktop and
// Documents to the home folder), nor on a drive mapped elsewhere (Z: is "/"). Operations refuse
// what Windows refuses (writing or deleting a read-only file) even when the process could do it,
// e.g. as root.
class WineFileSystem final : public FileSystem {
public:
    explicit WineFileSystem(std::filesystem::path prefix);

    std::vector<FindData> find(std::string_view pattern) const override;
    std::optional<FindData> stat(std::string_view path) const override;
    std::uint32_t attributes(std::string_view path) const override;
    Status setAttributes(std::string_view path, std::uint32_t attributes) override;
    Status setFileTimes(std::string_view path, std::optional<FileTime> creation,
                        std::optional<FileTime> lastAccess,
                        std::optional<FileTime> lastWrite) override;
    Status deleteFile(std::string_view path) override;
    Status removeDirectory(std::string_view path) override;
    Status createDirectory(std::string_view path) override;
    Status moveFile(std::string_view from, std::string_view to, bool replaceExisting) override;
    Status copyFile(std::string_view from, std::string_view to, bool failIfExists) override;
    bool isInUse(std::string_view path) const override;
    Result<std::string> readFile(std::string_view path) const override;
    Status writeFile(std::string_view path, std::string_view contents,
                     WriteMode mode = WriteMode::Plain) override;
    std::optional<std::string> longPathName(std::string_view path) const override;
    bool staysInside(std::string_view path) const override;

    const std::filesystem::path& prefix() const { return prefix_; }
    // The host folder a drive letter stands for (its dosdevices entry); nullopt without one.
    std::optional<std::filesystem::path> driveRoot(char letter) const;
    // Letters that have a dosdevices entry, in order.
    std::vector<char> driveLetters() const;
    // The host path of a Windows path: existing components in their on-disk spelling, a missing
    // last component as written. nullopt when the drive or a folder on the way is missing.
    std::optional<std::string> hostPath(std::string_view windowsPath) const;
    // The Windows path of a host path below one of the drives (the drive whose folder is the
    // longest match wins; "C:" before "Z:" for the same folder); nullopt when none holds it.
    std::optional<std::string> windowsPath(const std::filesystem::path& hostPath) const;

private:
    struct Located {
        std::string host;  // host path; the last component may be missing
        bool exists = false;
        std::optional<struct stat> status;  // lstat of host, when the lookup made one
    };
    // Resolves a parsed path; the last component need not exist. nullopt when the drive or a
    // folder on the way is missing.
    std::optional<Located> locate(const WinePath& path) const;
    std::optional<Located> locate(std::string_view path) const;
    // The on-disk name of `name` in host folder `dir` (exact, else case-insensitive).
    std::optional<std::string> findEntry(const std::string& dir, const std::string& name) const;
    // The entry at host; with a folder descriptor, its status is read relative to that folder
    // (name is then the entry's name in it), which spares the kernel the walk down host.
    std::optional<FindData> describe(const std::string& host, std::string name, bool isRoot,
                                     int folderFd = -1) const;
    void forgetNames() const;
    // Whether a host path lies in the prefix's folder once links are resolved: its folder, and
    // with followLast the place itself (a link there is what a write would go through).
    bool insidePrefix(const std::string& host, bool followLast) const;
    bool resolvesInsidePrefix(const std::string& host, bool followLast) const;
    static Status leadsOut(std::string_view what, std::string_view path);

    std::filesystem::path prefix_;
    // Case-insensitive lookups that needed a folder scan: (host folder, lower-case name) ->
    // on-disk name. Checked with lstat before use; emptied by every rename or delete.
    mutable std::mutex cacheMutex_;
    mutable std::map<std::pair<std::string, std::string>, std::string> nameCache_;
    // The prefix's real path, resolved once, and the folders found inside it: host path -> the
    // folder's device and inode then. A folder that still has them is that same folder,
    // wherever links on its path lead now, so a walk's deletions need one stat each.
    mutable std::mutex insideMutex_;
    mutable std::optional<std::filesystem::path> realPrefix_;
    mutable std::unordered_map<std::string, std::pair<dev_t, ino_t>> insideFolders_;
};

}  // namespace quorvel::platform::wineprefix
