#include "core/paths/RootKeyNames.h"

#include "platform/RegistryNames.h"

namespace quorvel::core {

std::string RootKeyName(platform::RootKey root) {
    return std::string(platform::rootKeyLongName(root));
}

}  // namespace quorvel::core
