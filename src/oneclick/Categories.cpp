#include "oneclick/Categories.h"

#include "oneclick/JunkCategory.h"
#include "oneclick/RegistryCategory.h"
#include "oneclick/ShortcutsCategory.h"
#include "oneclick/StartupCategory.h"

namespace quorvel::oneclick {

CategorySet MakeCategories(const ProgramLists& lists) {
    CategorySet set;
    set[Index(ScanCategory::Registry)] =
        std::make_unique<RegistryCategory>(lists.registryFindings, lists.ignoreLists);
    if (lists.shortcutFindings)
        set[Index(ScanCategory::Shortcuts)] =
            std::make_unique<ShortcutsCategory>(*lists.shortcutFindings);
    else
        set[Index(ScanCategory::Shortcuts)] = std::make_unique<PendingCategory>();
    if (lists.startupFindings)
        set[Index(ScanCategory::Startup)] =
            std::make_unique<StartupCategory>(*lists.startupFindings);
    else
        set[Index(ScanCategory::Startup)] = std::make_unique<PendingCategory>();
    if (lists.junkFindings)
        set[Index(ScanCategory::Junk)] = std::make_unique<JunkCategory>(*lists.junkFindings);
    else
        set[Index(ScanCategory::Junk)] = std::make_unique<PendingCategory>();
    set[Index(ScanCategory::Tracks)] = std::make_unique<PendingCategory>();
    set[Index(ScanCategory::Spyware)] = std::make_unique<PendingCategory>();
    return set;
}

}  // namespace quorvel::oneclick
