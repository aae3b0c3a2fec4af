#include "core/files/FileInfo.h"

namespace quorvel::core {

std::uint64_t FileSize(const platform::FileSystem& fs, std::string_view file) {
    const auto info = fs.stat(file);
    if (!info || info->isDirectory()) return 0;
    return info->size;
}

std::string UserName(const platform::Environment& environment) {
    return environment.userName();
}

bool SetPrivilege(std::string_view /*privilegeName*/, bool /*enable*/) {
    return true;
}

int EnableDebugPrivilege() {
    return 0;
}

}  // namespace quorvel::core
