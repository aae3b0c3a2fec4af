#include "platform/Registry.h"

namespace quorvel::platform {

std::vector<std::string> RegistryKey::subKeyNames() const {
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        auto name = subKeyName(i);
        if (!name) break;
        names.push_back(std::move(*name));
    }
    return names;
}

std::vector<NamedRegValue> RegistryKey::values() const {
    std::vector<NamedRegValue> all;
    for (std::uint32_t i = 0;; ++i) {
        auto v = valueAt(i);
        if (!v) break;
        all.push_back(std::move(*v));
    }
    return all;
}

}  // namespace quorvel::platform
