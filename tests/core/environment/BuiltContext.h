#pragma once

#include <memory>

#include "core/Context.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "support/MachineBuilder.h"
#include "support/TempDir.h"

namespace quorvel::core::testsupport {

// A machine from a MachineBuilder with the program-wide record filled by InitGlobals, and the
// Context that engine code receives. programDir is an empty program folder of its own.
class BuiltContext {
public:
    explicit BuiltContext(quorvel::testing::MachineBuilder& builder) : machine_(builder.build()) {
        InitGlobals(*machine_, programDir_.path(), globals, language);
    }

    platform::wineprefix::WinePrefixMachine& machine() { return *machine_; }
    Context context() { return Context{*machine_, globals, language, protectedFolders}; }
    const std::filesystem::path& programDir() const { return programDir_.path(); }

    TGlobalVars globals;
    LanguageTable language;
    ProtectedFolders protectedFolders;

private:
    quorvel::testing::TempDir programDir_;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine_;
};

}  // namespace quorvel::core::testsupport
