#pragma once

#include <string>
#include <string_view>

#include "core/GlobalVars.h"

namespace quorvel::core {

// Path variables ("%SYS32%\", "%APPDATA%\", ...) replaced by the folders of TGlobalVars, case
// ignored, one variable after the other in a fixed order; a replacement is never scanned again.
std::string ExpandPathVars(const TGlobalVars& globals, std::string_view text);
// The short upper-casing variant used by the registry scan: the result is upper case except for
// the folder that the last replacement inserted. Compare it case-insensitively.
std::string ExpandPathVarsUpper(const TGlobalVars& globals, std::string_view text);

}  // namespace quorvel::core
