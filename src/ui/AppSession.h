#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Context.h"
#include "core/GlobalVars.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/settings/SettingsStore.h"
#include "junk/JunkData.h"
#include "platform/Machine.h"
#include "registry/IgnoreLists.h"
#include "registry/RegData.h"
#include "shortcuts/ShortcutsData.h"
#include "startup/StartupData.h"
#include "ui/QtUiBridge.h"
#include "ui/Skin.h"

namespace quorvel::ui {

// The program-wide state of one run of the desktop program: the machine, the environment
// record, the texts, the ignore lists and the registry findings, the UI bridge and the skin in
// use. Created after the QApplication, on the UI thread; lives until the program ends.
class AppSession {
public:
    struct Options {
        std::filesystem::path programDir;             // languages/, data/, skins/, help/
        std::optional<std::filesystem::path> prefix;  // the Wine prefix, when the machine is one
        std::vector<std::string> arguments;  // command-line arguments after the program name
    };

    // Fills the environment record (which loads the language and skin choice and the settings
    // paths) and loads the ignore lists.
    AppSession(std::unique_ptr<platform::Machine> machine, Options options);
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;

    platform::Machine& machine() { return *machine_; }
    core::TGlobalVars& globals() { return globals_; }
    core::LanguageTable& language() { return language_; }
    const core::Context& context() const { return context_; }
    core::SettingsStore& settings() { return settings_; }
    registry::TGlobalReg& ignoreLists() { return ignoreLists_; }
    registry::RegFindings& regFindings() { return regFindings_; }
    shortcuts::ShortcutFindings& shortcutFindings() { return shortcutFindings_; }
    startup::StartupFindings& startupFindings() { return startupFindings_; }
    junk::JunkFindings& junkFindings() { return junkFindings_; }
    QtUiBridge& bridge() { return bridge_; }
    const std::optional<std::filesystem::path>& prefix() const { return options_.prefix; }
    const std::filesystem::path& programDir() const { return options_.programDir; }

    // The first command-line argument, "" when there is none.
    std::string firstArgument() const;
    // Whether the first argument is the given switch, compared without regard to case.
    bool firstArgumentIs(std::string_view option) const;

    const Skin& skin() const { return skin_; }
    // Reads the skin named by SkinFile again.
    void reloadSkin();
    // Reloads the language and skin choice from the settings (after the settings changed).
    void reloadLanguageAndSkin();

    // Writes changed settings to the machine's storage, under its write lock. Callers may
    // ignore a failure (a running Wine server, another writer, a read-only prefix): the
    // settings then last for this run only.
    platform::Status flush();

private:
    std::unique_ptr<platform::Machine> machine_;
    Options options_;
    core::TGlobalVars globals_;
    core::LanguageTable language_;
    core::ProtectedFolders protectedFolders_;
    core::Context context_;
    core::SettingsStore settings_;
    registry::TGlobalReg ignoreLists_;
    registry::RegFindings regFindings_;
    shortcuts::ShortcutFindings shortcutFindings_;
    startup::StartupFindings startupFindings_;
    junk::JunkFindings junkFindings_;
    QtUiBridge bridge_;
    Skin skin_;
};

}  // namespace quorvel::ui
