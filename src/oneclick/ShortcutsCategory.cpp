#include "oneclick/ShortcutsCategory.h"

#include "shortcuts/ShortcutsClean.h"
#include "shortcuts/ShortcutsScan.h"

namespace quorvel::oneclick {

std::unique_ptr<core::Worker> ShortcutsCategory::createScanner(const RunTools& tools) {
    return std::make_unique<shortcuts::TShortcutsScan>(findings_, tools.status, tools.context,
                                                       tools.bridge);
}

std::unique_ptr<core::Worker> ShortcutsCategory::createRepair(const RunTools& tools) {
    return std::make_unique<shortcuts::TShortcutsClean>(findings_, tools.status, tools.context,
                                                        tools.bridge, tools.currentBackupId);
}

// A shortcut that could not be deleted is left silently; a failed backup, a folder that ended
// the pass and findings behind a link are worth a word.
std::string ShortcutsCategory::repairEnded(core::Worker& repair) {
    const auto* clean = dynamic_cast<shortcuts::TShortcutsClean*>(&repair);
    if (!clean) return {};
    const auto& result = clean->result();
    if (result.backupWanted && !result.backupStatus)
        return "The shortcut backup failed (" + result.backupStatus.message() +
               "); no shortcut was removed.";
    std::string text;
    if (result.endedAtFolder)
        text = "A folder was no longer empty; the later shortcuts were left alone.";
    if (result.behindLink > 0) {
        if (!text.empty()) text += ' ';
        text += std::to_string(result.behindLink) +
                " finding(s) lie in a folder linked out of the machine and were left alone.";
    }
    return text;
}

}  // namespace quorvel::oneclick
