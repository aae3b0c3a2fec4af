#include "oneclick/ScanCategory.h"

#include "platform/text/CaseInsensitive.h"

namespace quorvel::oneclick {
namespace {

constexpr std::array<CategoryInfo, kCategoryCount> kInfos{{
    {ScanCategory::Registry, "Registry", "registry", true, 29601, "Registry Cleaner", 10603,
     "Scan and fix invalid or incorrect registry entries"},
    {ScanCategory::Shortcuts, "Shortcuts", "shortcuts", true, 29602, "Shortcuts Fixer", 10605,
     "Scan and clean up invalid shortcuts"},
    {ScanCategory::Startup, "Startup", "startup", true, 29603, "Startup Manager", 10607,
     "Scan and clean up dangerous startup entries"},
    {ScanCategory::Junk, "Junk", "junk", true, 29604, "Temporary files Cleaner", 10609,
     "Clean up temporary file and recover disk space"},
    {ScanCategory::Tracks, "Privacy", "tracks", false, 29605, "Tracks Eraser", 10611,
     "Erase your activity history and internet traces"},
    {ScanCategory::Spyware, "Spyware", "spyware", true, 29606, "Spyware Remover", 10613,
     "Scan and remove spyware or adware"},
}};

}  // namespace

const CategoryInfo& Info(ScanCategory category) {
    return kInfos[static_cast<std::size_t>(Index(category))];
}

std::optional<ScanCategory> CategoryFromName(std::string_view name) {
    for (const auto& info : kInfos) {
        if (platform::text::iequals(name, info.cliName) ||
            platform::text::iequals(name, info.key)) {
            return info.category;
        }
    }
    return std::nullopt;
}

}  // namespace quorvel::oneclick
