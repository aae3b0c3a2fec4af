#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Context.h"
#include "core/threads/FindingsList.h"

namespace quorvel::shortcuts {

// One broken shortcut or one empty folder.
struct TShortcutsData {
    std::string Target;       // the shortcut's target; empty for a folder
    std::string Path;         // the shortcut file, or the empty folder
    std::string Description;  // the shortcut's description; empty for a folder
    std::int32_t IconIndex = 0;
    bool Checked = true;
    bool IsFolder = false;
};

using ShortcutFindings = core::FindingsList<TShortcutsData>;

// The folders the user sees as program menu and desktop, in walk order, without trailing
// backslash: the shell's special folders (on Windows since Vista and on Wine the menu lives
// under AppData, not under the profile), else the environment record's menu folder. Missing
// folders are left out.
std::vector<std::string> ShortcutFolders(const core::Context& context);
// The user's Startup folder, without trailing backslash; never reported empty.
std::string UserStartupFolder(const core::Context& context);

// Whether the path, or a folder on its way below the drive root, is a symbolic link or junction:
// Wine links the desktop to the Linux home, and nothing is removed through such a link.
bool LiesBehindLink(const platform::FileSystem& fileSystem, const std::string& path,
                    bool includeLast);

}  // namespace quorvel::shortcuts
