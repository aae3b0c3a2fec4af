#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quorvel::oneclick {

// The six categories of the one-click pass, in the fixed order in which they always run.
enum class ScanCategory { Registry = 0, Shortcuts, Startup, Junk, Tracks, Spyware };

inline constexpr int kCategoryCount = 6;

inline constexpr std::array<ScanCategory, kCategoryCount> kAllCategories{
    ScanCategory::Registry, ScanCategory::Shortcuts, ScanCategory::Startup,
    ScanCategory::Junk,     ScanCategory::Tracks,    ScanCategory::Spyware};

// The fixed facts of one category.
struct CategoryInfo {
    ScanCategory category;
    std::string_view key;      // value name below OneClick\Selected
    std::string_view cliName;  // name on the command line and in JSON
    bool selectedByDefault;
    int titleMessage;
    std::string_view titleEnglish;
    int descriptionMessage;
    std::string_view descriptionEnglish;
};

const CategoryInfo& Info(ScanCategory category);
inline int Index(ScanCategory category) {
    return static_cast<int>(category);
}

// The category named by its command-line name or its settings key, ignoring case.
std::optional<ScanCategory> CategoryFromName(std::string_view name);

}  // namespace quorvel::oneclick
