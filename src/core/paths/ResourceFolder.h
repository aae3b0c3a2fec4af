#pragma once

#include <filesystem>

namespace quorvel::core {

// The folder of the running executable, or the current folder when it cannot be told.
std::filesystem::path ExecutableFolder();

// Where the program's own files (languages/, data/, skins/, help/, demo/) are for an executable
// in `executableFolder`: beside it (a build tree or a portable copy), else in ../share/quorvel
// (an installation under a prefix such as /usr). The executable's folder when neither holds them.
std::filesystem::path ResourceFolder(const std::filesystem::path& executableFolder);

}  // namespace quorvel::core
