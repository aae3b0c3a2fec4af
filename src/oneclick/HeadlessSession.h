#pragma once

#include <filesystem>
#include <memory>

#include "core/Context.h"
#include "core/GlobalVars.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/threads/HeadlessUiBridge.h"
#include "junk/JunkData.h"
#include "oneclick/CategoryTasks.h"
#include "oneclick/OneClickRun.h"
#include "oneclick/OneClickView.h"
#include "platform/Machine.h"
#include "registry/IgnoreLists.h"
#include "registry/RegData.h"
#include "shortcuts/ShortcutsData.h"
#include "startup/StartupData.h"

namespace quorvel::oneclick {

// The program-wide state of a program without windows (the command line, the unattended
// runner) around one one-click run: the environment record and texts of the machine, the
// ignore lists, the findings lists, the categories and the run. Created and used on one thread,
// which is the UI thread of the run.
class HeadlessSession {
public:
    HeadlessSession(platform::Machine& machine, const std::filesystem::path& programDir,
                    OneClickView& view);
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    OneClickRun& run() { return *run_; }
    const core::Context& context() const { return context_; }
    registry::RegFindings& regFindings() { return regFindings_; }
    junk::JunkFindings& junkFindings() { return junkFindings_; }
    shortcuts::ShortcutFindings& shortcutFindings() { return shortcutFindings_; }
    startup::StartupFindings& startupFindings() { return startupFindings_; }
    const CategorySet& categories() const { return categories_; }

private:
    core::TGlobalVars globals_;
    core::LanguageTable language_;
    core::ProtectedFolders protectedFolders_;
    core::Context context_;
    core::HeadlessUiBridge bridge_;
    registry::TGlobalReg ignoreLists_;
    registry::RegFindings regFindings_;
    junk::JunkFindings junkFindings_;
    shortcuts::ShortcutFindings shortcutFindings_;
    startup::StartupFindings startupFindings_;
    CategorySet categories_;
    std::unique_ptr<OneClickRun> run_;
};

}  // namespace quorvel::oneclick
