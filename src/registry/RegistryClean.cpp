#include "registry/RegistryClean.h"

#include <vector>

#include "backup/BackupStore.h"
#include "backup/RegistryRootNames.h"
#include "backup/TIORegistry.h"
#include "core/language/LanguageTable.h"
#include "core/settings/ModuleBackup.h"

namespace quorvel::registry {
namespace {

using platform::RegAccess;
using platform::Status;

constexpr int kMsgDeletingKey = 11069;
constexpr int kMsgDeletingValue = 11070;
constexpr std::string_view kBackingUp = "Backuping ";

std::string_view trimBackslashes(std::string_view path) {
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return path;
}

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
    std::string entry = requestedEntry_;
    if (entry.empty()) {
        auto started = store.startOneClickEntry();
        if (!started) {
            result_.backupStatus = started.status();
            return false;
        }
        entry = *started;
    }
    result_.backupEntry = entry;

    auto name = store.RecordCategoryFile(entry, backup::categorykey::Registry);
    if (!name) {
        result_.backupStatus = name.status();
        return false;
    }
    std::vector<backup::RegistryBackupItem> items;
    items.reserve(findings_.size());
    for (std::size_t i = 0; i < findings_.size(); ++i) {
        const TRegData& f = findings_[i];
        publish(f.KeyPath, positionOf(i, findings_.size()), true);
        if (f.Kind != DeleteKey && f.Kind != DeleteValue) continue;
        // A key finding without a path names the root, which the repair never deletes.
        if (f.Kind == DeleteKey && trimBackslashes(f.KeyPath).empty()) continue;
        backup::RegistryBackupItem item{std::string(backup::exportNameOfRoot(f.RootKey)), f.KeyPath,
                                        std::nullopt};
        if (f.Kind == DeleteValue) item.valueName = f.ValueName;
        items.push_back(std::move(item));
    }
    backup::TIORegistry exporter(context_.machine);
    // The file is written durably (file and folder flushed) before this returns.
    result_.backupStatus = store.WriteRegistryExport(exporter, items, *name);
    if (result_.backupStatus) result_.backupFile = *name;
    return result_.backupStatus.isOk();
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
    const std::string path(trimBackslashes(finding.KeyPath));
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
            if (++pending >= kFlushBatch) {
                result_.flushStatus = registry.flush();
                pending = 0;
            }
        } else {
            ++result_.skipped;
        }
        publish(text, positionOf(i, count), false);
    }
    if (Status s = registry.flush(); !s || result_.flushStatus) result_.flushStatus = s;
}

}  // namespace quorvel::registry
