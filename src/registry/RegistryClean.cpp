#include "registry/RegistryClean.h"

#include <vector>

#include "backup/BackupStore.h"
#include "backup/TIORegistry.h"
#include "core/language/LanguageTable.h"
#include "core/settings/ModuleBackup.h"
#include "platform/RegistryNames.h"

namespace quorvel::registry {
namespace {

using platform::RegAccess;
using platform::Status;

constexpr int kMsgDeletingKey = 11069;
constexpr int kMsgDeletingValue = 11070;
constexpr std::string_view kBackingUp = "Backuping ";

int positionOf(std::size_t index, std::size_t count) {
    return count == 0 ? 100 : static_cast<int>((index + 1) * 100 / count);
}

}  // namespace

TRegistryClean::TRegistryClean(const RegFindings& findings, core::StatusSink& status,
                               const core::Context& context, core::UiBridge& bridge,
                               std::string backupEntry)
    : core::Worker(bridge),
      findings_(findings),
      status_(status),
      context_(context),
      requestedEntry_(std::move(backupEntry)),
      maxChars_(status.widthChars()) {}

TRegistryClean::~TRegistryClean() {
    stopAndJoin();
}

void TRegistryClean::publish(const std::string& text, int position, bool backingUp) {
    std::string shown = core::ShortenTail(text, maxChars_);
    if (backingUp) shown.insert(0, kBackingUp);
    status_.publish(shown, position);
}

bool TRegistryClean::backup() {
    backup::BackupStore store(context_.machine.fileSystem(), context_.globals.BackupsDir);
    auto slot = store.openCategoryFile(requestedEntry_, backup::categorykey::Registry);
    if (!slot) {
        result_.backupStatus = slot.status();
        return false;
    }
    const std::string& entry = slot->entry;
    const std::string& name = slot->fileName;
    result_.backupEntry = entry;
    std::vector<backup::RegistryBackupItem> items;
    items.reserve(findings_.size());
    for (std::size_t i = 0; i < findings_.size(); ++i) {
        const TRegData& f = findings_[i];
        publish(f.KeyPath, positionOf(i, findings_.size()), true);
        if (f.Kind != DeleteKey && f.Kind != DeleteValue) continue;
        // A key finding without a path names the root, which the repair never deletes.
        if (f.Kind == DeleteKey && platform::trimKeyPath(f.KeyPath).empty()) continue;
        backup::RegistryBackupItem item{std::string(platform::rootKeyLongName(f.RootKey)),
                                        f.KeyPath, std::nullopt};
        if (f.Kind == DeleteValue) item.valueName = f.ValueName;
        items.push_back(std::move(item));
    }
    backup::TIORegistry exporter(context_.machine);
    // The file is written durably (file and folder flushed) before it is listed in the index.
    result_.backupStatus = store.WriteRegistryExport(exporter, items, name);
    if (result_.backupStatus)
        result_.backupStatus = store.commitCategoryFile(entry, backup::categorykey::Registry, name);
    if (!result_.backupStatus) {
        (void)store.discardCategoryFile(entry, backup::categorykey::Registry, name);
        return false;
    }
    result_.backupFile = name;
    return true;
}

void TRegistryClean::saveFailed(Status failure, const std::vector<std::size_t>& removed) {
    // What is not on disk must not reach it later by someone else's save: the registry forgets
    // it, and what the hives hold decides how many findings are really gone.
    auto& registry = context_.machine.registry();
    (void)registry.discardChanges();
    std::size_t gone = 0;
    for (const std::size_t i : removed) {
        const TRegData& f = findings_[i];
        const std::string path(platform::trimKeyPath(f.KeyPath));
        auto key = registry.openKey(f.RootKey, path, RegAccess::Read);
        if (!key || (f.Kind == DeleteValue && !(*key)->value(f.ValueName))) ++gone;
    }
    result_.skipped += result_.deleted - gone;
    result_.deleted = gone;
    result_.flushStatus = std::move(failure);
    result_.nothingChanged = gone == 0;
    if (gone == 0 && !result_.backupFile.empty()) {
        // The backup of a repair that did not happen would only mislead a restore.
        backup::BackupStore store(context_.machine.fileSystem(), context_.globals.BackupsDir);
        (void)store.discardCategoryFile(result_.backupEntry, backup::categorykey::Registry,
                                        result_.backupFile);
        result_.backupFile.clear();
        result_.backupRemoved = true;
    }
}

namespace {

// A key or value that is already gone is as repaired as one deleted now.
bool Removed(const Status& status) {
    return status.isOk() || status.code() == platform::ErrorCode::FileNotFound ||
           status.code() == platform::ErrorCode::PathNotFound ||
           status.code() == platform::ErrorCode::KeyDeleted;
}

}  // namespace

bool TRegistryClean::repair(const TRegData& finding, std::string& progressText) {
    auto& registry = context_.machine.registry();
    const std::string path(platform::trimKeyPath(finding.KeyPath));
    if (finding.Kind == DeleteKey) {
        progressText = context_.language.LangText(kMsgDeletingKey) + " " + finding.KeyPath;
        // An empty path names the root itself: never wiped as a "finding".
        if (path.empty()) return false;
        auto root = registry.openKey(finding.RootKey, "", RegAccess::ReadWrite);
        return root && Removed((*root)->deleteTree(path));
    }
    if (finding.Kind == DeleteValue) {
        auto key = registry.openKey(finding.RootKey, path, RegAccess::ReadWrite);
        if (!key) {
            progressText.clear();
            return Removed(key.status());
        }
        progressText = context_.language.LangText(kMsgDeletingValue) + " " + finding.KeyPath +
                       " - " + finding.ValueName;
        return Removed((*key)->deleteValue(finding.ValueName));
    }
    progressText.clear();
    return false;
}

void TRegistryClean::execute() {
    result_ = {};
    // A registry that refuses to be saved (Wine's server runs, a hive is damaged) is found out
    // before anything is written: no backup of a repair that cannot happen.
    if (Status s = context_.machine.registry().flush(); !s) {
        result_.flushStatus = s;
        result_.nothingChanged = true;
        publish(s.message(), 0, false);
        return;
    }
    result_.backupWanted = core::ModuleBackupEnabled(context_.machine.registry(), "OneClick");
    if (result_.backupWanted && !backup()) {
        publish(result_.backupStatus.message(), 0, false);
        return;
    }

    auto& registry = context_.machine.registry();
    std::size_t pending = 0;
    std::vector<std::size_t> removed;
    const std::size_t count = findings_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (stopRequested()) {
            result_.stopped = true;
            break;
        }
        const TRegData& f = findings_[i];
        if (!f.Checked) continue;
        std::string text;
        if (repair(f, text)) {
            ++result_.deleted;
            removed.push_back(i);
            if (++pending >= kFlushBatch) {
                pending = 0;
                // A batch that cannot be saved ends the repair: the next would fail alike.
                if (Status s = registry.flush(); !s) return saveFailed(std::move(s), removed);
            }
        } else {
            ++result_.skipped;
        }
        publish(text, positionOf(i, count), false);
    }
    if (Status s = registry.flush(); !s) saveFailed(std::move(s), removed);
}

}  // namespace quorvel::registry
