#pragma once

#include <cstddef>
#include <string>

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "platform/Status.h"
#include "shortcuts/ShortcutsData.h"

namespace quorvel::shortcuts {

// What a shortcut repair did, readable once the worker has finished.
struct ShortcutsCleanResult {
    bool backupWanted = false;      // backups of the one-click pass are switched on
    std::string backupEntry;        // the index section the backup went into
    std::string backupFile;         // the archive of the backup ("" when none)
    platform::Status backupStatus;  // why the backup failed; nothing was removed then
    std::size_t deleted = 0;        // shortcuts deleted
    std::size_t foldersRemoved = 0;
    std::size_t kept = 0;        // checked shortcuts left: not backed up, or not deletable
    std::size_t behindLink = 0;  // checked findings left because they lie behind a link
    bool endedAtFolder = false;  // a folder could not be removed; later findings untouched
    bool stopped = false;
};

// The shortcuts category's repair thread. With backups of the one-click pass on, it first
// writes every checked finding into the Shortcuts archive of the current entry (the shortcut
// files byte for byte, the folders as a list) and makes it durable; without that archive on
// disk nothing is removed. Then, in list order, it deletes each checked shortcut and removes
// each checked empty folder. A shortcut that cannot be deleted, or that could not be copied
// into the archive, stays. A folder that cannot be removed (no longer empty, in use, gone) ends
// the pass there. Nothing is removed through a symbolic link (Wine's desktop is one): such
// findings are left and counted. With dryRun nothing changes and the counts say what would go.
class TShortcutsClean final : public core::Worker {
public:
    // findings must stay unchanged until the worker has finished. backupEntry is the section of
    // the current one-click entry; when it is empty and backups are on, the repair starts an
    // entry of its own.
    TShortcutsClean(const ShortcutFindings& findings, core::StatusSink& status,
                    const core::Context& context, core::UiBridge& bridge,
                    std::string backupEntry = {}, bool dryRun = false);
    ~TShortcutsClean() override;

    const ShortcutsCleanResult& result() const { return result_; }

protected:
    void execute() override;

private:
    bool backup(std::vector<std::size_t>& notBackedUp);

    const ShortcutFindings& findings_;
    core::StatusSink& status_;
    const core::Context& context_;
    std::string requestedEntry_;
    bool dryRun_;
    ShortcutsCleanResult result_;
};

}  // namespace quorvel::shortcuts
