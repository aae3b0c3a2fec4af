#pragma once

#include <cstdint>
#include <string>

#include "core/threads/FindingsList.h"
#include "platform/RegistryTypes.h"

namespace quorvel::registry {

// What the repair does with a finding.
enum RegFindingKind : std::int32_t {
    DeleteKey = 1,    // the whole key KeyPath
    DeleteValue = 2,  // the value ValueName inside KeyPath
};

// One problem found by the registry scan. Texts are UTF-8.
struct TRegData {
    std::string KeyPath;    // relative to the root, beginning with a backslash
    std::string ValueName;  // empty for findings about a key
    std::string Data;       // the value's data or the reference that failed, for display
    platform::RootKey RootKey = platform::RootKey::LocalMachine;
    std::string Description;  // the language-table text, filled at scan time
    std::int32_t Kind = DeleteKey;
    std::string ReservedText1;
    std::int32_t GroupMarker = -1;  // 0 for the first-pass file-type findings, else -1
    std::int32_t ReservedNumber = 1;
    std::string ReservedText2;
    bool Checked = true;  // selected for repair
    std::uint8_t ReservedFlag = 0;
};

// The registry category's findings, in the order found.
using RegFindings = core::FindingsList<TRegData>;

}  // namespace quorvel::registry
