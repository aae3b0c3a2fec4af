#include "shortcuts/ShortcutsClean.h"

#include <algorithm>
#include <vector>

#include "backup/BackupStore.h"
#include "core/language/LanguageTable.h"
#include "core/settings/ModuleBackup.h"

namespace quorvel::shortcuts {
namespace {

constexpr int kMsgCleaning = 10632;

}  // namespace

TShortcutsClean::TShortcutsClean(const ShortcutFindings& findings, core::StatusSink& status,
                                 const core::Context& context, core::UiBridge& bridge,
                                 std::string backupEntry, bool dryRun)
    : Worker(bridge),
      findings_(findings),
      status_(status),
      context_(context),
      requestedEntry_(std::move(backupEntry)),
      dryRun_(dryRun) {}

TShortcutsClean::~TShortcutsClean() {
    stopAndJoin();
}

bool TShortcutsClean::backup(std::vector<std::size_t>& notBackedUp) {
    backup::BackupStore store(context_.machine.fileSystem(), context_.globals.BackupsDir);
    auto slot = store.openCategoryFile(requestedEntry_, backup::categorykey::Shortcuts);
    if (!slot) {
        result_.backupStatus = slot.status();
        return false;
    }
    const std::string& entry = slot->entry;
    const std::string& name = slot->fileName;
    result_.backupEntry = entry;
    std::vector<backup::ShortcutBackupItem> items;
    items.reserve(findings_.size());
    // What lies behind a link out of the prefix is never removed, so it is not backed up
    // either (a restore refuses to write there).
    const auto& fs = context_.machine.fileSystem();
    for (const auto& f : findings_)
        items.push_back({f.Path, f.IsFolder, f.Checked && !LiesBehindLink(fs, f.Path, f.IsFolder)});
    auto written = store.WriteShortcutArchive(items, name);
    result_.backupStatus = written.status;
    // Listed in the backup index only once the archive is complete on disk.
    if (result_.backupStatus)
        result_.backupStatus =
            store.commitCategoryFile(entry, backup::categorykey::Shortcuts, name);
    if (!result_.backupStatus) {
        (void)store.discardCategoryFile(entry, backup::categorykey::Shortcuts, name);
        return false;
    }
    result_.backupFile = name;
    notBackedUp = std::move(written.notBackedUp);
    return true;
}

void TShortcutsClean::execute() {
    result_ = {};
    auto& fs = context_.machine.fileSystem();
    std::vector<std::size_t> notBackedUp;
    result_.backupWanted = core::ModuleBackupEnabled(context_.machine.registry(), "OneClick");
    if (result_.backupWanted && !dryRun_ && !backup(notBackedUp)) {
        status_.publish(result_.backupStatus.message(), 0);
        return;
    }
    const std::string cleaning = context_.language.LangText(kMsgCleaning);
    const std::size_t count = findings_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (stopRequested()) {
            result_.stopped = true;
            return;
        }
        const TShortcutsData& f = findings_[i];
        if (!f.Checked) continue;
        const bool behindLink = LiesBehindLink(fs, f.Path, f.IsFolder);
        if (behindLink) {
            ++result_.behindLink;
        } else if (f.IsFolder) {
            const auto info = fs.stat(f.Path);
            const bool removable = info && info->isDirectory() && !info->isReparsePoint() &&
                                   fs.find(f.Path + "\\*.*").empty();
            if (!removable || (!dryRun_ && !fs.removeDirectory(f.Path))) {
                result_.endedAtFolder = true;
                return;
            }
            ++result_.foldersRemoved;
        } else if (std::find(notBackedUp.begin(), notBackedUp.end(), i) != notBackedUp.end()) {
            ++result_.kept;  // a shortcut without its copy in the backup stays
        } else if (dryRun_ ? fs.isFile(f.Path) : fs.deleteFile(f.Path).isOk()) {
            ++result_.deleted;
        } else {
            ++result_.kept;
        }
        status_.publish(cleaning + f.Path, static_cast<int>((i + 1) * 100 / count));
    }
}

}  // namespace quorvel::shortcuts
