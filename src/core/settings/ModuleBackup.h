#pragma once

#include <string_view>

#include "platform/Registry.h"

namespace quorvel::core {

// Whether repairs of a module (the one-click pass asks for "OneClick") are backed up: the boolean
// value of that name under Settings\AvailableModules, true when the key or value is missing.
// Reads only; nothing is created or written.
bool ModuleBackupEnabled(platform::Registry& registry, std::string_view moduleName);

}  // namespace quorvel::core
