#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/Context.h"
#include "platform/Registry.h"

namespace quorvel::registry {

// The two lists that keep registry findings out of the results.
struct TGlobalReg {
    // Shipped with the program in data/registry.dat; read-only while the program runs.
    std::vector<std::string> BuiltInExclusions;
    // The user's own list; an entry beginning with ";" is switched off (kept, never matched).
    std::vector<std::string> UserIgnoreList;
};

// The user's list, below HKEY_CURRENT_USER: one value per entry, named by the entry, data 1.
inline constexpr std::string_view kIgnoreListKey =
    "\\Software\\QuorvelSoft\\Quorvel Utilities\\Tolvane\\IgnoreList";

// The entries of registry.dat lines: blanks trimmed, empty and ";" lines dropped, "//" starts a
// remark (a line that begins with it yields an empty entry, which matches nothing).
std::vector<std::string> ParseExclusionLines(const std::vector<std::string>& lines);

// The active and switched-off entries of the IgnoreList key (values whose data is a non-zero
// number), in registry order. The key is created when missing.
std::vector<std::string> ReadUserIgnoreList(platform::Registry& registry);

// Clears both lists and fills them from <ProgramDir>/data/registry.dat and the IgnoreList key.
// A missing or damaged registry.dat leaves BuiltInExclusions empty.
void LoadIgnoreLists(const core::Context& context, TGlobalReg& lists);

// Whether an entry of either list occurs, ignoring case, anywhere in
// "<root name><key path>\<value name>\<data>".
bool IsIgnored(const TGlobalReg& lists, platform::RootKey root, std::string_view keyPath,
               std::string_view valueName, std::string_view data);

// "<root name><key path>\<value name>": the entry the results windows add for a finding.
std::string IgnoreEntryFor(platform::RootKey root, std::string_view keyPath,
                           std::string_view valueName);

// Adds entry to the user's list, or switches an equal (switched-off) entry back on in place,
// then writes it to the registry.
platform::Status AddToIgnoreList(platform::Registry& registry, TGlobalReg& lists,
                                 std::string_view entry);

// Writes the value named entry with data 1 into the IgnoreList key (creating the key).
platform::Status WriteIgnoreEntry(platform::Registry& registry, std::string_view entry);

}  // namespace quorvel::registry
