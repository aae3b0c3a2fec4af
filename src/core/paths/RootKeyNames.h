#pragma once

#include <string>

#include "platform/RegistryTypes.h"

namespace quorvel::core {

// The long name of a registry root ("HKEY_LOCAL_MACHINE"), from platform/RegistryNames.h.
std::string RootKeyName(platform::RootKey root);

}  // namespace quorvel::core
