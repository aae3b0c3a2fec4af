#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Registry.h"
#include "ui/Launcher.h"

namespace quorvel::ui {

// A full key name split into its root and the path below it.
struct ParsedRegPath {
    int rootIndex = 0;  // 1 classes root, 2 current user, 3 local machine, 4 current config,
                        // 5 users, 6 dyn data; 0 when not recognised or the key does not open
    platform::RootKey root = platform::RootKey::CurrentUser;
    std::string subKey;  // without leading backslash, in the text's own letter case
};

// Recognises the long root name at the start of fullKey (any case) and checks that the key
// opens for writing, as the Registry Editor would need it to.
ParsedRegPath ParseRegPath(platform::Registry& registry, std::string_view fullKey);

// Opens the Registry Editor of a Wine prefix at a key. Wine's regedit selects, when it starts,
// the key stored in HKCU\Software\Microsoft\Windows\CurrentVersion\Applets\Regedit, value
// LastKey; so the key is written there, the hives are flushed and regedit is started with
// WINEPREFIX set to the prefix.
class RegistryEditor {
public:
    RegistryEditor(platform::Registry& registry, std::optional<std::filesystem::path> prefix,
                   Launcher launcher);

    // The wine program on PATH, or empty.
    static QString findWine();

    // Empty when the editor can be opened; else why not, for a tooltip.
    QString unavailableReason() const;
    bool available() const { return unavailableReason().isEmpty(); }

    // Does nothing (false) when the key does not open or the editor is unavailable.
    bool open(std::string_view fullKey);

private:
    platform::Registry& registry_;
    std::optional<std::filesystem::path> prefix_;
    Launcher launcher_;
    QString wine_;
};

inline constexpr std::string_view kRegeditStateKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

}  // namespace quorvel::ui
