#include "ui/RegistryEditor.h"

#include <QStandardPaths>
#include <array>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::ui {

namespace {

struct RootName {
    std::string_view name;
    int index;
    platform::RootKey root;
};

// Tested in this order; the first name that begins the text wins.
constexpr std::array<RootName, 6> kRoots{{
    {"HKEY_LOCAL_MACHINE", 3, platform::RootKey::LocalMachine},
    {"HKEY_CURRENT_USER", 2, platform::RootKey::CurrentUser},
    {"HKEY_CLASSES_ROOT", 1, platform::RootKey::ClassesRoot},
    {"HKEY_USERS", 5, platform::RootKey::Users},
    {"HKEY_CURRENT_CONFIG", 4, platform::RootKey::CurrentConfig},
    {"HKEY_DYN_DATA", 6, platform::RootKey::DynData},
}};

}  // namespace

ParsedRegPath ParseRegPath(platform::Registry& registry, std::string_view fullKey) {
    ParsedRegPath parsed;
    for (const RootName& candidate : kRoots) {
        if (!platform::text::istartsWith(fullKey, candidate.name)) continue;
        std::string_view rest = fullKey.substr(candidate.name.size());
        // "HKEY_USERS" must not claim "HKEY_USERSX": the name ends the text or a backslash follows.
        if (!rest.empty() && rest.front() != '\\') return parsed;
        while (!rest.empty() && rest.front() == '\\')
            rest.remove_prefix(1);
        parsed.root = candidate.root;
        parsed.subKey = std::string(rest);
        if (registry.openKey(candidate.root, parsed.subKey, platform::RegAccess::ReadWrite))
            parsed.rootIndex = candidate.index;
        return parsed;
    }
    return parsed;
}

RegistryEditor::RegistryEditor(platform::Registry& registry,
                               std::optional<std::filesystem::path> prefix, Launcher launcher)
    : registry_(registry),
      prefix_(std::move(prefix)),
      launcher_(std::move(launcher)),
      wine_(findWine()) {}

QString RegistryEditor::findWine() {
    return QStandardPaths::findExecutable(QStringLiteral("wine"));
}

QString RegistryEditor::unavailableReason() const {
    if (!prefix_) return QStringLiteral("This machine is not a Wine prefix.");
    if (wine_.isEmpty())
        return QStringLiteral("Wine is not installed, so the Registry Editor cannot be started.");
    return {};
}

bool RegistryEditor::open(std::string_view fullKey) {
    if (!available()) return false;
    const ParsedRegPath parsed = ParseRegPath(registry_, fullKey);
    if (parsed.rootIndex == 0) return false;
    // The key as regedit names it: the root's long name, then the path.
    std::string lastKey(kRoots[0].name);
    for (const RootName& candidate : kRoots)
        if (candidate.index == parsed.rootIndex) lastKey = std::string(candidate.name);
    if (!parsed.subKey.empty()) lastKey += "\\" + parsed.subKey;
    if (auto key = registry_.createKey(platform::RootKey::CurrentUser, kRegeditStateKey)) {
        (void)key.value()->setValue("LastKey", platform::RegValue::string(lastKey));
    }
    // regedit reads the hives from disk; a refused flush (Wine already running for the prefix)
    // still lets the editor open, at the key it remembers itself.
    (void)registry_.flush();
    const QString prefix = QString::fromStdString(prefix_->string());
    return launcher_.startDetached(wine_, {QStringLiteral("regedit")},
                                   {QStringLiteral("WINEPREFIX=") + prefix});
}

}  // namespace quorvel::ui
