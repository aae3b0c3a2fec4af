#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "platform/Status.h"
#include "startup/StartupData.h"

namespace quorvel::startup {

// What a startup repair did, readable once the worker has finished.
struct StartupCleanResult {
    bool backupWanted = false;           // backups of the one-click pass are switched on
    std::string backupEntry;             // the index section the backup went into
    std::string backupFile;              // the Startup archive ("" when none)
    platform::Status backupStatus;       // why the backup failed; nothing was disabled then
    std::size_t disabled = 0;            // entries moved aside
    std::vector<std::string> leftAlone;  // checked entries that could not be moved (their names)
    platform::Status flushStatus;        // writing the changed hives
    bool stopped = false;                // a stop request ended the repair early
};

// The Startup category's repair thread. When backups of the one-click pass are on it first
// writes the Startup archive of the checked entries (registry values exported, folder files
// copied) and lists it in the backup entry; then it moves each checked entry aside: a value
// into the sibling key named like its key + "-Disabled" (as a text value with the same
// characters), a file into the hidden sibling folder + "-Disabled" (an older file of that name
// there is replaced). The copy is made before the original goes, and a file that the backup
// could not hold stays where it is. Nothing is deleted outright. With dryRun nothing changes
// and `disabled` counts what would move. findings is only read.
class TStartupClean final : public core::Worker {
public:
    TStartupClean(const StartupFindings& findings, core::StatusSink& status,
                  const core::Context& context, core::UiBridge& bridge,
                  std::string backupEntry = {}, bool dryRun = false);
    ~TStartupClean() override;

    const StartupCleanResult& result() const { return result_; }

    // The sibling a disabled entry moves to: "...\Run" -> "...\Run-Disabled".
    static std::string disabledPlace(std::string_view keyOrFolder);

protected:
    void execute() override;

private:
    bool backup(std::vector<std::size_t>& notBackedUp);
    bool disableValue(const TStartupData& entry);
    bool disableFile(const TStartupData& entry);
    void saveFailed(platform::Status failure, bool filesMoved);

    const StartupFindings& findings_;
    core::StatusSink& status_;
    const core::Context& context_;
    std::string requestedEntry_;
    bool dryRun_;
    StartupCleanResult result_;
};

}  // namespace quorvel::startup
