#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace quorvel::platform::wineprefix {

// A trash folder in the freedesktop.org layout that Wine's recycle bin uses: files/ holds the
// trashed items, info/<name>.trashinfo says where each came from. Nothing here follows a
// symbolic link: a trashed link is measured and removed as the link itself.
class WineShellTrash {
public:
    struct Item {
        std::filesystem::path file;                 // the entry in files/
        std::optional<std::filesystem::path> info;  // its .trashinfo, when there is one
        std::string originalPath;                   // "Path=" of the info, percent-decoded
    };

    explicit WineShellTrash(std::filesystem::path root) : root_(std::move(root)) {}

    const std::filesystem::path& root() const { return root_; }

    // The trashed items in name order; none when the folder does not exist.
    std::vector<Item> items() const;
    // Bytes of the regular files of an item (a folder with everything below it).
    static std::uint64_t sizeOf(const std::filesystem::path& entry);
    // Removes an item and its info. A folder is removed with its contents, made writable first
    // when it is not; a link is removed as a link.
    static Status remove(const Item& item);
    // Removes info files whose item is gone and the directorysizes cache (after emptying all).
    Status removeLeftovers() const;

private:
    std::filesystem::path root_;
};

// "Path=" values are written with %XX escapes.
std::string percentDecode(std::string_view text);

}  // namespace quorvel::platform::wineprefix
