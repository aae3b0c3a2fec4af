#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "shortcuts/ShortcutsData.h"

namespace quorvel::shortcuts {

// The shortcuts category's scanner thread. It walks the program menu and the desktop depth
// first and reports every shortcut (".lnk" in any case) whose target is missing, and every
// folder of those trees that is empty. Never judged: network targets ("\\..."), targets shorter
// than four characters (none, a bare drive root), targets on drives that are not fixed disks,
// targets with a %variable% the machine does not define, and shortcuts that cannot be read.
// A folder is not reported when it is read-only, hidden or system, cannot be renamed to its own
// name, is the user's Startup folder, or its walk was stopped.
//
// Links are never followed: a folder link inside the trees is not entered (and makes its parent
// non-empty); a top folder that is itself a link (Wine's desktop, linked to the Linux home) has
// its own shortcuts judged, but its subfolders are not walked and it is never reported empty.
// Findings are added on the UI thread; the latest path is published after every file.
class TShortcutsScan final : public core::Worker {
public:
    TShortcutsScan(ShortcutFindings& findings, core::StatusSink& status,
                   const core::Context& context, core::UiBridge& bridge);
    ~TShortcutsScan() override;

    bool reportEmptyFolders = true;
    // Files examined; valid once the thread has ended.
    std::int64_t examined() const { return examined_; }

protected:
    void execute() override;

private:
    // Returns whether the enumeration ran to its end.
    bool walkFolder(const std::string& folder, bool linkedTop);
    void checkFile(const std::string& path);
    bool reportable(const std::string& folder) const;
    void addFinding(TShortcutsData finding);

    ShortcutFindings& findings_;
    core::StatusSink& status_;
    const core::Context& context_;
    std::string startup_;
    int position_ = 0;
    std::int64_t examined_ = 0;
};

// Whether a shortcut with this target is broken: the scan's rules, without reading anything
// but the target's existence.
bool IsBrokenTarget(const core::Context& context, const std::string& target);

}  // namespace quorvel::shortcuts
