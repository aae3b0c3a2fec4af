#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/wineprefix/WineEnvironment.h"
#include "platform/wineprefix/WineFileSystem.h"
#include "platform/wineprefix/WineShellTrash.h"

namespace quorvel::platform::wineprefix {

struct WineShellOptions {
    // The recycle bin's folder (freedesktop layout); overrides the rule below when set.
    std::optional<std::filesystem::path> recycleBin;
    // The program that runs Windows programs for shellExecute, looked up on PATH without a '/'.
    std::string wineProgram = "wine";
};

// The shell of a Wine prefix.
//
// Recycle bin: the machine's own folder <prefix>/quorvel-trash when it exists (the demo
// machine and test machines have one, so they never touch the user's trash); otherwise the
// freedesktop Trash that Wine's shell32 uses: $XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash. A drive root narrows a query to the items whose original location lay
// on that drive; an empty root takes every item.
//
// Special folders: the "User Shell Folders" value with its %variables% expanded, else the
// "Shell Folders" value, else the default Wine gives the folder; answered only when the folder
// exists.
class WineShell final : public Shell {
public:
    static constexpr const char* kOwnRecycleBin = "quorvel-trash";

    WineShell(std::filesystem::path prefix, WineFileSystem& fileSystem, Registry& registry,
              const WineEnvironment& environment, WineShellOptions options = {});

    Result<ShellLink> readLink(std::string_view path) const override;
    Status writeLink(std::string_view path, const ShellLink& link) override;
    std::optional<VersionInfo> versionInfo(std::string_view path) const override;
    Result<RecycleBinInfo> recycleBinQuery(std::string_view driveRoot) const override;
    Status emptyRecycleBin(std::string_view driveRoot) override;
    std::string specialFolder(int csidl) const override;
    int smallIconIndex(std::string_view path) const override;
    std::string smallIconSource(int index) const override;
    Status shellExecute(std::string_view verb, std::string_view file,
                        std::string_view params) override;

    // The recycle bin folder the rule above picks; nullopt when there is no home folder.
    std::optional<std::filesystem::path> recycleBinFolder() const;

private:
    // The items of the bin on `driveRoot` ("" = all); fails for a root that is not "X:\".
    Result<std::vector<WineShellTrash::Item>> binItems(std::string_view driveRoot) const;
    std::optional<char> driveOfOriginal(const std::string& originalPath) const;
    // The freedesktop trash is shared with the Linux desktop and every other prefix: only items
    // trashed from a host path inside this prefix (links resolved) belong to the machine.
    bool isSharedTrash(const std::filesystem::path& folder) const;
    bool cameFromPrefix(const std::string& originalPath) const;
    std::string registryFolder(RootKey root, const char* valueName) const;
    std::string readString(RootKey root, std::string_view key, std::string_view name) const;

    std::filesystem::path prefix_;
    WineFileSystem& fileSystem_;
    Registry& registry_;
    const WineEnvironment& environment_;
    WineShellOptions options_;

    mutable std::mutex iconMutex_;
    mutable std::map<std::string, int, text::ILess> iconIndices_;
    mutable std::vector<std::string> iconSources_;  // by index - iconindex::FirstType
};

}  // namespace quorvel::platform::wineprefix
