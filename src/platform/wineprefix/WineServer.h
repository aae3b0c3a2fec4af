#pragma once

#include <filesystem>
#include <string>

namespace quorvel::platform::wineprefix {

// Finds out whether Wine's server runs for a prefix. wineserver keeps its socket in
// /tmp/.wine-<uid>/server-<dev>-<inode>/ (device and inode of the prefix folder, in hex) and
// holds a write lock on the `lock` file there for as long as it runs.
class WineServer {
public:
    // The folder wineserver uses for `prefix`; empty when the prefix cannot be examined.
    static std::filesystem::path serverDirectory(const std::filesystem::path& prefix);
    // True while a wineserver holds its lock for `prefix`.
    static bool isRunning(const std::filesystem::path& prefix);
};

inline bool isWineServerRunning(const std::filesystem::path& prefix) {
    return WineServer::isRunning(prefix);
}

}  // namespace quorvel::platform::wineprefix
