#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::platform::wineprefix {

// Finds out whether Wine's server runs for a prefix. wineserver keeps its socket in
// server-<dev>-<inode>/ (device and inode of the prefix folder, in hex) below
// /tmp/.wine-<uid>, and holds a write lock on the `lock` file there for as long as it runs.
// Debian's Wine uses a private folder in the temporary folder instead and writes its name into
// the prefix's `wineserver` file; both places are checked.
class WineServer {
public:
    // The folders wineserver may use for `prefix`; empty when the prefix cannot be examined.
    static std::vector<std::filesystem::path> serverDirectories(
        const std::filesystem::path& prefix);
    // True while a wineserver holds its lock for `prefix`.
    static bool isRunning(const std::filesystem::path& prefix);
};

inline bool isWineServerRunning(const std::filesystem::path& prefix) {
    return WineServer::isRunning(prefix);
}

}  // namespace quorvel::platform::wineprefix
