#pragma once

#include "core/GlobalVars.h"
#include "platform/Registry.h"

namespace quorvel::core {

// Reads the Start-menu folders from the Explorer "Shell Folders" keys (user folders under
// HKEY_CURRENT_USER, common folders under HKEY_LOCAL_MACHINE), each with a trailing backslash.
// A folder that the key does not name (key missing, value missing or empty) falls back to
// UserProfile / AllUsersProfile + "Start Menu\...".
void LoadShellFolders(platform::Registry& registry, TGlobalVars& globals);

}  // namespace quorvel::core
