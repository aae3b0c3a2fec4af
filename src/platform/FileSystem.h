#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTime.h"
#include "platform/Status.h"

namespace quorvel::platform {

// Windows file attributes (winnt.h numbers).
namespace fileattr {
inline constexpr std::uint32_t ReadOnly = 0x1;
inline constexpr std::uint32_t Hidden = 0x2;
inline constexpr std::uint32_t System = 0x4;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
inline constexpr std::uint32_t ReparsePoint = 0x400;
inline constexpr std::uint32_t Invalid = 0xFFFFFFFF;
}  // namespace fileattr

// One directory entry as FindFirstFile/FindNextFile report it.
struct FindData {
    std::string name;  // the entry's own name, without folder
    std::uint32_t attributes = 0;
    FileTime creationTime;
    FileTime lastAccessTime;
    FileTime lastWriteTime;
    std::uint64_t size = 0;

    bool isDirectory() const { return (attributes & fileattr::Directory) != 0; }
    bool isReparsePoint() const { return (attributes & fileattr::ReparsePoint) != 0; }
};

enum class WriteMode {
    Plain,    // CreateFile(CREATE_ALWAYS) + WriteFile
    Durable,  // written to a temporary file, flushed, renamed over the target, folder flushed
};

// The file system of one machine, addressed by Windows paths ("C:\Windows\win.ini"; any letter
// case; "/" is accepted as a separator). Safe to use from several threads at once.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // FindFirstFile/FindNextFile over "folder\mask" with Windows wildcard rules ("*.*" matches
    // every name). "." and ".." are never returned. The order is deterministic.
    virtual std::vector<FindData> find(std::string_view pattern) const = 0;
    // GetFileAttributesEx; nullopt when the path does not exist. For a symbolic link this
    // describes the link itself (with the reparse-point attribute), not its target.
    virtual std::optional<FindData> stat(std::string_view path) const = 0;
    // GetFileAttributes; fileattr::Invalid when the path does not exist.
    virtual std::uint32_t attributes(std::string_view path) const = 0;
    // SetFileAttributes (read-only, hidden, system, archive).
    virtual Status setAttributes(std::string_view path, std::uint32_t attributes) = 0;
    // SetFileTime; a missing time is left as it is.
    virtual Status setFileTimes(std::string_view path, std::optional<FileTime> creation,
                                std::optional<FileTime> lastAccess,
                                std::optional<FileTime> lastWrite) = 0;

    // DeleteFile: a file or a symbolic link (never what the link points at).
    virtual Status deleteFile(std::string_view path) = 0;
    // RemoveDirectory: an empty folder, or a symbolic link to a folder (the link only).
    virtual Status removeDirectory(std::string_view path) = 0;
    // CreateDirectory: one folder whose parent exists.
    virtual Status createDirectory(std::string_view path) = 0;
    // MoveFileEx: rename or move a file or folder; replaceExisting = MOVEFILE_REPLACE_EXISTING.
    virtual Status moveFile(std::string_view from, std::string_view to, bool replaceExisting) = 0;
    // CopyFile.
    virtual Status copyFile(std::string_view from, std::string_view to, bool failIfExists) = 0;

    // CreateFile(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING) fails on an
    // existing file: it is open for writing elsewhere, locked, or not writable.
    virtual bool isInUse(std::string_view path) const = 0;

    // CreateFile + ReadFile of the whole file.
    virtual Result<std::string> readFile(std::string_view path) const = 0;
    // CreateFile + WriteFile (+ FlushFileBuffers for WriteMode::Durable).
    virtual Status writeFile(std::string_view path, std::string_view contents,
                             WriteMode mode = WriteMode::Plain) = 0;

    // GetLongPathName: components written in 8.3 form ("PROGRA~1") resolved to their long names.
    // nullopt when the path does not exist.
    virtual std::optional<std::string> longPathName(std::string_view path) const = 0;

    // Whether a write at the path stays in the machine's own storage: no drive mapped elsewhere
    // and no link on the way (or at the path) that leads out of it. Every writing call above
    // refuses a path that does not; this lets a caller check a whole plan before it starts.
    virtual bool staysInside(std::string_view path) const = 0;

    bool exists(std::string_view path) const { return attributes(path) != fileattr::Invalid; }
    bool isDirectory(std::string_view path) const;
    bool isFile(std::string_view path) const;
    // CreateDirectory for every missing folder of the path.
    Status createDirectoryTree(std::string_view path);
};

}  // namespace quorvel::platform
