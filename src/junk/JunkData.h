#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Context.h"
#include "core/threads/FindingsList.h"

namespace quorvel::junk {

enum class JunkCategory : std::int32_t { RecycleBin = 0, TempFiles = 1, InternetCache = 2 };
inline constexpr int kJunkCategoryCount = 3;

// One category's totals. After a complete scan the list holds one per category, in category
// order, so that a record's position equals its category number.
struct TJunkData {
    std::string Name;  // shown while the recycle bin is emptied; the scan leaves it empty
    std::int64_t Size = 0;
    std::int64_t Count = 0;
    std::int32_t Category = 0;
    bool Selected = true;
};

using JunkFindings = core::FindingsList<TJunkData>;

// Where the results window keeps the choice per category ("0", "1", "2": DWORD, non-zero =
// selected) below HKEY_CURRENT_USER.
inline constexpr std::string_view kDiskCleanerKey =
    "\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick\\Selected\\DiskCleaner";

// The stored choice; a missing key or value counts as selected.
bool IsCategorySelected(platform::Machine& machine, int category);
platform::Status StoreCategorySelected(platform::Machine& machine, int category, bool selected);

// The two folders the temporary-files category covers: TempDir, then WinDir\TEMP, without
// trailing backslash; empty or duplicate entries dropped.
std::vector<std::string> TempFolders(const core::TGlobalVars& globals);

}  // namespace quorvel::junk
