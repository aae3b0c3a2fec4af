#pragma once

#include "junk/JunkData.h"
#include "oneclick/CategoryTasks.h"
#include "registry/IgnoreLists.h"
#include "registry/RegData.h"
#include "shortcuts/ShortcutsData.h"
#include "startup/StartupData.h"

namespace quorvel::oneclick {

// The program-wide findings lists and what their scanners share. Each lives from program start
// to exit; the categories made from them hold references.
struct ProgramLists {
    registry::RegFindings& registryFindings;
    const registry::TGlobalReg& ignoreLists;
    junk::JunkFindings* junkFindings = nullptr;  // the junk category scans only with a list
    shortcuts::ShortcutFindings* shortcutFindings = nullptr;  // likewise the shortcuts category
    startup::StartupFindings* startupFindings = nullptr;      // likewise the startup category
};

// The six categories of the pass, each with the scanner and repair that exist today.
CategorySet MakeCategories(const ProgramLists& lists);

}  // namespace quorvel::oneclick
