#include "ui/RegistryEditor.h"

#include <QStandardPaths>

#include "platform/RegistryNames.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::ui {

namespace {

// regedit's number of a root (the order of its tree); 0 for one it does not show.
int regeditIndex(platform::RootKey root) {
    switch (root) {
        case platform::RootKey::ClassesRoot:
            return 1;
        case platform::RootKey::CurrentUser:
            return 2;
        case platform::RootKey::LocalMachine:
            return 3;
        case platform::RootKey::CurrentConfig:
            return 4;
        case platform::RootKey::Users:
            return 5;
        case platform::RootKey::DynData:
            return 6;
        default:
            return 0;
    }
}

}  // namespace

ParsedRegPath ParseRegPath(platform::Registry& registry, std::string_view fullKey) {
    ParsedRegPath parsed;
    for (const platform::RootKeyNames& candidate : platform::rootKeyNames()) {
        if (regeditIndex(candidate.root) == 0) continue;
        if (!platform::text::istartsWith(fullKey, candidate.longName)) continue;
        std::string_view rest = fullKey.substr(candidate.longName.size());
        // "HKEY_USERS" must not claim "HKEY_USERSX": the name ends the text or a backslash follows.
        if (!rest.empty() && rest.front() != '\\') continue;
        while (!rest.empty() && rest.front() == '\\')
            rest.remove_prefix(1);
        parsed.root = candidate.root;
        parsed.subKey = std::string(rest);
        if (registry.openKey(candidate.root, parsed.subKey, platform::RegAccess::ReadWrite))
            parsed.rootIndex = regeditIndex(candidate.root);
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
    std::string lastKey(platform::rootKeyLongName(parsed.root));
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
