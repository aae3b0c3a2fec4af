#include "core/paths/ResourceFolder.h"

namespace quorvel::core {

std::filesystem::path ExecutableFolder() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return self.parent_path();
}

std::filesystem::path ResourceFolder(const std::filesystem::path& executableFolder) {
    std::error_code ec;
    if (std::filesystem::is_directory(executableFolder / "languages", ec)) return executableFolder;
    const auto shared = (executableFolder / ".." / "share" / "quorvel").lexically_normal();
    if (std::filesystem::is_directory(shared / "languages", ec)) return shared;
    return executableFolder;
}

}  // namespace quorvel::core
