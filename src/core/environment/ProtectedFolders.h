#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/GlobalVars.h"
#include "platform/Machine.h"

namespace quorvel::core {

// Folders that cleaners must not touch: installer sources that were unpacked below a temporary
// folder (from the Uninstall entries' InstallSource) and the browser caches below the temporary
// folders. Filled once, on first use, by whichever thread asks first; every other thread waits
// for that fill to finish and then reads the same list.
class ProtectedFolders {
public:
    ProtectedFolders() = default;
    ProtectedFolders(const ProtectedFolders&) = delete;
    ProtectedFolders& operator=(const ProtectedFolders&) = delete;

    const std::vector<std::string>& folders(platform::Machine& machine, const TGlobalVars& globals);

    // The list as it is computed, without keeping it. Entries carry no trailing backslash.
    static std::vector<std::string> collect(platform::Machine& machine, const TGlobalVars& globals);

private:
    std::once_flag once_;
    std::vector<std::string> folders_;
};

}  // namespace quorvel::core
