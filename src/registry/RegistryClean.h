#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "platform/Status.h"
#include "registry/RegData.h"

namespace quorvel::registry {

// What a registry repair did, readable once the worker has finished.
struct RegistryCleanResult {
    bool backupWanted = false;      // backups of the one-click pass are switched on
    std::string backupEntry;        // the index section the backup went into
    std::string backupFile;         // the registry export file of the backup ("" when none)
    platform::Status backupStatus;  // why the backup failed; nothing was deleted then
    std::size_t deleted = 0;        // findings whose key or value was removed
    std::size_t skipped = 0;        // checked findings that could not be removed
    platform::Status flushStatus;   // writing the changed hives
    bool nothingChanged = false;    // the save failed before any deletion reached the hives
    bool backupRemoved = false;     // the backup of a repair that did not happen was taken back
    bool stopped = false;           // a stop request ended the repairs early
};

// The registry category's repair thread. When backups of the one-click pass are on it first
// exports every finding (checked or not) into a registry export file of the backup store and
// makes that file durable; then it deletes each checked finding in list order: kind 1 the whole
// key with its subkeys, kind 2 the one value. A stop request ends it between findings.
//
// The registry reaches the hive files only after the backup file is on disk, and never when the
// backup could not be written: a repair without its backup would lose what it removes. Changes
// are written in batches as the repair goes on, and once more at its end. A save that fails
// ends the repair; `deleted` then counts what the hives really lost, and when that is nothing
// the backup made for it is removed again.
class TRegistryClean final : public core::Worker {
public:
    // findings must stay unchanged until the worker has finished. backupEntry is the section of
    // the current one-click entry (CurrentBackupId); when it is empty and backups are on, the
    // repair starts a one-click entry of its own.
    TRegistryClean(const RegFindings& findings, core::StatusSink& status,
                   const core::Context& context, core::UiBridge& bridge,
                   std::string backupEntry = {});
    ~TRegistryClean() override;

    const RegistryCleanResult& result() const { return result_; }

    // How many deletions go to the hive files at once.
    static constexpr std::size_t kFlushBatch = 25;

protected:
    void execute() override;

private:
    bool backup();
    // After a failed save: drops the unsaved deletions and counts what the hives lost.
    void saveFailed(platform::Status failure, const std::vector<std::size_t>& removed);
    // Deletes what the finding names; false when nothing could be removed.
    bool repair(const TRegData& finding, std::string& progressText);
    void publish(const std::string& text, int position, bool backingUp);

    const RegFindings& findings_;
    core::StatusSink& status_;
    const core::Context& context_;
    std::string requestedEntry_;
    int maxChars_;
    RegistryCleanResult result_;
};

}  // namespace quorvel::registry
