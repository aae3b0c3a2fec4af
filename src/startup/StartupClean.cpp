#include "startup/StartupClean.h"

#include <algorithm>

#include "backup/BackupStore.h"
#include "backup/TIORegistry.h"
#include "core/language/LanguageTable.h"
#include "core/settings/ModuleBackup.h"
#include "platform/FileSystem.h"
#include "platform/RegistryNames.h"

namespace quorvel::startup {

namespace {

using platform::RegAccess;
using platform::Status;

constexpr int kMsgDisabling = 10632;

// A value or file already gone from its place has nothing left to move.
bool Gone(const Status& status) {
    return status.code() == platform::ErrorCode::FileNotFound ||
           status.code() == platform::ErrorCode::PathNotFound;
}

}  // namespace

TStartupClean::TStartupClean(const StartupFindings& findings, core::StatusSink& status,
                             const core::Context& context, core::UiBridge& bridge,
                             std::string backupEntry, bool dryRun)
    : Worker(bridge),
      findings_(findings),
      status_(status),
      context_(context),
      requestedEntry_(std::move(backupEntry)),
      dryRun_(dryRun) {}

TStartupClean::~TStartupClean() {
    stopAndJoin();
}

std::string TStartupClean::disabledPlace(std::string_view keyOrFolder) {
    std::string place(keyOrFolder);
    while (!place.empty() && place.back() == '\\')
        place.pop_back();
    return place + std::string(kDisabledSuffix);
}

bool TStartupClean::backup(std::vector<std::size_t>& notBackedUp) {
    backup::BackupStore store(context_.machine.fileSystem(), context_.globals.BackupsDir);
    auto slot = store.openCategoryFile(requestedEntry_, backup::categorykey::Startup);
    if (!slot) {
        result_.backupStatus = slot.status();
        return false;
    }
    const std::string& entry = slot->entry;
    const std::string& name = slot->fileName;
    result_.backupEntry = entry;
    std::vector<backup::StartupBackupItem> items;
    items.reserve(findings_.size());
    for (const auto& f : findings_) {
        backup::StartupBackupItem item;
        item.name = f.Name;
        item.selected = f.Checked;
        if (f.Kind == RegistryValue) {
            item.kind = backup::StartupBackupItem::RegistryValue;
            item.rootName = std::string(platform::rootKeyLongName(f.RootKey));
            item.keyPath = f.KeyPath;
            item.valueName = f.Name;
        } else if (f.Kind == FolderFile) {
            item.kind = backup::StartupBackupItem::StartupFile;
            item.filePath = f.KeyPath + "\\" + f.FileName;
        }
        items.push_back(std::move(item));
    }
    backup::TIORegistry exporter(context_.machine);
    auto written = store.WriteStartupArchive(
        exporter, items, name,
        [this](std::string_view text, int position) { status_.publish(text, position); });
    result_.backupStatus = written.status;
    if (result_.backupStatus)
        result_.backupStatus = store.commitCategoryFile(entry, backup::categorykey::Startup, name);
    if (!result_.backupStatus) {
        (void)store.discardCategoryFile(entry, backup::categorykey::Startup, name);
        return false;
    }
    result_.backupFile = name;
    notBackedUp = std::move(written.notBackedUp);
    return true;
}

bool TStartupClean::disableValue(const TStartupData& entry) {
    auto& registry = context_.machine.registry();
    if (dryRun_) return true;
    // The copy first: a value is never only in memory of neither key.
    auto disabled = registry.createKey(entry.RootKey, disabledPlace(entry.KeyPath));
    if (!disabled) return false;
    if (!(*disabled)->setValue(entry.Name, platform::RegValue::string(entry.Command))) return false;
    auto source = registry.openKey(entry.RootKey, entry.KeyPath, RegAccess::ReadWrite);
    if (!source) return Gone(source.status());
    const Status removed = (*source)->deleteValue(entry.Name);
    return removed.isOk() || Gone(removed);
}

bool TStartupClean::disableFile(const TStartupData& entry) {
    auto& fs = context_.machine.fileSystem();
    const std::string from = entry.KeyPath + "\\" + entry.FileName;
    const std::string folder = disabledPlace(entry.KeyPath);
    const std::string to = folder + "\\" + entry.FileName;
    // A startup folder linked out of the machine (or a file linked out of it) is left alone:
    // nothing is moved through such a link.
    if (!fs.staysInside(from) || !fs.staysInside(to)) return false;
    if (dryRun_) return fs.isFile(from);
    if (!fs.createDirectoryTree(folder)) return false;
    (void)fs.setAttributes(folder, platform::fileattr::Hidden);
    return fs.moveFile(from, to, true).isOk();
}

void TStartupClean::saveFailed(Status failure, bool filesMoved) {
    // Values that did not reach the hives are dropped, so that no later save writes them half.
    (void)context_.machine.registry().discardChanges();
    result_.flushStatus = std::move(failure);
    if (!filesMoved && !result_.backupFile.empty()) {
        // Nothing was changed: a backup of it would only mislead a restore.
        backup::BackupStore store(context_.machine.fileSystem(), context_.globals.BackupsDir);
        (void)store.discardCategoryFile(result_.backupEntry, backup::categorykey::Startup,
                                        result_.backupFile);
        result_.backupFile.clear();
    }
}

void TStartupClean::execute() {
    result_ = {};
    const bool anyValue = std::any_of(findings_.begin(), findings_.end(), [](const auto& f) {
        return f.Checked && f.Kind == RegistryValue;
    });
    // Hives that cannot be saved (Wine's server runs, a hive changed meanwhile) are found out
    // before anything is written.
    if (!dryRun_ && anyValue) {
        if (Status s = context_.machine.registry().flush(); !s) {
            result_.flushStatus = s;
            status_.publish(s.message(), 0);
            return;
        }
    }
    std::vector<std::size_t> notBackedUp;
    result_.backupWanted =
        !dryRun_ && core::ModuleBackupEnabled(context_.machine.registry(), "OneClick");
    if (result_.backupWanted && !backup(notBackedUp)) {
        status_.publish(result_.backupStatus.message(), 0);
        return;
    }

    bool filesMoved = false;
    std::size_t valuesDisabled = 0;
    const std::size_t count = findings_.size();
    const std::string text = context_.language.LangText(kMsgDisabling);
    for (std::size_t i = 0; i < count; ++i) {
        if (stopRequested()) {
            result_.stopped = true;
            break;
        }
        const TStartupData& f = findings_[i];
        if (!f.Checked) continue;
        bool done = false;
        const bool backedUp =
            std::find(notBackedUp.begin(), notBackedUp.end(), i) == notBackedUp.end();
        if (f.Kind == RegistryValue) {
            done = disableValue(f);
            if (done && !dryRun_) ++valuesDisabled;
        } else if (f.Kind == FolderFile && backedUp) {
            done = disableFile(f);
            filesMoved = filesMoved || (done && !dryRun_);
        }
        if (done)
            ++result_.disabled;
        else if (f.Kind == RegistryValue || f.Kind == FolderFile)
            result_.leftAlone.push_back(f.Name);
        status_.publish(text + f.Name, static_cast<int>((i + 1) * 100 / count));
    }
    if (valuesDisabled == 0) return;
    if (Status s = context_.machine.registry().flush(); !s) {
        // The values are not disabled after all; the files that moved stay moved.
        result_.disabled -= valuesDisabled;
        saveFailed(std::move(s), filesMoved);
    }
}

}  // namespace quorvel::startup
