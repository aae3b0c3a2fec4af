#pragma once

#include <filesystem>

namespace quorvel::testing {

// A unique folder under the system temporary folder, removed with everything in it on
// destruction. Unique per process and instance, so ctest may run tests in parallel.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace quorvel::testing
