#pragma once

#include "core/GlobalVars.h"
#include "platform/Machine.h"

namespace quorvel::core {

class LanguageTable;
class ProtectedFolders;

// What every engine object works with: the machine, the program-wide record and the texts.
// Engine objects take a Context& and keep no other route to the operating system.
struct Context {
    platform::Machine& machine;
    TGlobalVars& globals;
    LanguageTable& language;
    ProtectedFolders& protectedFolders;
};

}  // namespace quorvel::core
