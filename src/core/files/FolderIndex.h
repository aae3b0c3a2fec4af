#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/FileSystem.h"

namespace quorvel::core {

// What one pass knows of the machine's folders: each folder is listed once (FindFirstFile on
// "folder\*"), and later questions whether a name exists in it are answered from that listing,
// with the file system's case rule (the exact name, else one that differs only in ASCII case).
// A scan asks about thousands of paths in a handful of folders; this turns several system calls
// per question into one listing per folder. Changes made after a folder was listed are not
// seen, so it serves one worker's pass that reads and does not change what it asks about.
class FolderIndex {
public:
    explicit FolderIndex(const platform::FileSystem& fs) : fs_(fs) {}

    // Whether the path exists (with filesOnly: as a file). Paths this index does not answer for
    // (no drive letter, ".." or "." components, 8.3 names, wildcards, trailing dots or blanks)
    // are asked of the file system.
    bool exists(std::string_view path, bool filesOnly) const;

private:
    struct Listing {
        std::unordered_map<std::string, bool> exact;   // on-disk name -> is a folder
        std::unordered_map<std::string, bool> folded;  // lower-case name -> is a folder
    };
    const Listing& listing(std::string_view folder) const;

    const platform::FileSystem& fs_;
    mutable std::unordered_map<std::string, Listing> folders_;  // key: lower-case folder path
    mutable std::size_t names_ = 0;
};

}  // namespace quorvel::core
