#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/PathSeparators.h"

namespace quorvel::platform::wineprefix {

// A Windows path taken apart: "c:/Users\\.\\me\\..\\Bob" -> drive 'C', components {"Users", "Bob"}.
// "." and ".." are resolved as GetFullPathName does ("..", never above the root). Accepted forms:
// "X:\...", "X:/...", "X:" and the "\\?\X:\..." / "\\.\X:\..." prefixes. Network paths, relative
// paths, alternate data streams (":" in a component) and characters Windows forbids in names
// (control characters, * ? < > | ") are refused.
struct WinePath {
    char drive = 'C';  // upper case
    std::vector<std::string> components;

    static std::optional<WinePath> parse(std::string_view path);

    bool isRoot() const { return components.empty(); }
    // "C:\a\b"; the root is "C:\".
    std::string toString() const;
    // The folder holding this path (the root's parent is the root).
    WinePath parent() const;
    // The last component; "" for the root.
    std::string leaf() const { return components.empty() ? std::string() : components.back(); }
    WinePath child(std::string name) const;
};

using text::isPathSeparator;

}  // namespace quorvel::platform::wineprefix
