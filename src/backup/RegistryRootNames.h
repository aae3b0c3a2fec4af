#pragma once

#include <optional>
#include <string_view>

#include "platform/RegistryTypes.h"

namespace quorvel::backup {

// The root of a registry export line: "HKEY_LOCAL_MACHINE" and the other long names, or the
// abbreviations regedit also accepts ("HKLM"), in any letter case.
std::optional<platform::RootKey> rootKeyFromExportName(std::string_view name);
// The long name written into export files ("HKEY_CURRENT_USER").
std::string_view exportNameOfRoot(platform::RootKey root);

}  // namespace quorvel::backup
