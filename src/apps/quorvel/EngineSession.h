#pragma once

#include "CliContext.h"
#include "core/Context.h"
#include "core/GlobalVars.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "platform/wineprefix/WinePrefixMachine.h"

namespace quorvel::cli {

// The program-wide state a command of the engine works with: GlobalVars filled from the
// machine (backup folder and limits included), the language texts and the engine Context.
struct EngineSession {
    explicit EngineSession(platform::wineprefix::WinePrefixMachine& m) : machine(m) {
        core::InitGlobals(machine, CliContext::programDir(), globals, language);
    }
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    platform::wineprefix::WinePrefixMachine& machine;
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::ProtectedFolders protectedFolders;
    core::Context context{machine, globals, language, protectedFolders};
};

}  // namespace quorvel::cli
