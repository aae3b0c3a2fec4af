#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Status.h"
#include "platform/wineprefix/HiveKey.h"
#include "platform/wineprefix/WineRegistry.h"

namespace quorvel::platform::wineprefix {

// Which file a path held when it was read or written: another program that saves it (Wine
// renames a new file into place, as we do) changes at least its inode or modification time.
struct FileSignature {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileSignature&) const = default;
};
// What `file` (followed through a link) is now.
FileSignature signatureOf(const std::filesystem::path& file);

// One hive file: its source text, the tree it describes and what went wrong reading it.
struct Hive {
    std::filesystem::path file;
    // Where the hive sits in Wine's tree, as its header names it ("REGISTRY\Machine").
    std::string relativeTo;
    std::shared_ptr<HiveKey> root;
    // The text last read or written; keys point into it. The header is [0, headerEnd).
    std::string source;
    std::size_t headerEnd = 0;
    bool hasSource = false;              // false: no file yet, a header is made up on save
    std::optional<HiveProblem> problem;  // first unreadable line
    std::size_t problemCount = 0;
    bool dirty = false;    // changed since it was read or last saved
    FileSignature onDisk;  // the file as read or last saved
};

// Reads the path of the ";; All keys relative to ..." header line, unescaped
// ("REGISTRY\User\S-1-5-21-0-0-0-1000"); nullopt when there is none.
std::optional<std::string> hiveRelativeTo(std::string_view text);

// Fills hive.root (an empty key) from `text`, which becomes hive.source. Lines that cannot be
// read are skipped; the first is recorded in hive.problem. `loadTime` stands in for keys
// without a time.
void parseHive(Hive& hive, std::string text, FileTime loadTime);

enum class HiveWriteMode {
    KeepText,    // unchanged keys are copied from the source text
    Regenerate,  // every key is written anew, as wineserver writes it
};

struct WrittenHive {
    std::string text;
    std::vector<std::pair<HiveKey*, std::size_t>> keyStarts;  // where each written key begins
};

// The hive as text.
WrittenHive writeHive(const Hive& hive, HiveWriteMode mode);
// Makes written text the hive's source, with every key pointing into it and nothing changed
// (after the text was saved).
void adoptWritten(Hive& hive, WrittenHive written);

// The whole content of a hive file. `exists` false: there is no such file (not an error).
struct HiveFileText {
    bool exists = false;
    std::optional<std::string> text;  // nullopt when the file exists but cannot be read
    std::string error;
    FileSignature signature;  // of the file as it was opened
};
HiveFileText readHiveFile(const std::filesystem::path& file);

// Writes the text to hive.file atomically: temporary file in the same folder, fsync, rename,
// fsync of the folder. `written` receives the signature of the new file.
Status writeFileAtomically(const std::filesystem::path& file, std::string_view text,
                           FileSignature* written = nullptr);

// Removes the temporary files writeFileAtomically leaves for `file` when it is killed.
void removeLeftoverTemporaries(const std::filesystem::path& file);

}  // namespace quorvel::platform::wineprefix
