#include "core/files/FileKeepRules.h"

#include <chrono>

namespace quorvel::core {

platform::FileTime CurrentFileTime() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
    return platform::FileTime::fromUnix(ns / 1'000'000'000, ns % 1'000'000'000);
}

bool IsFileInUse(const platform::FileSystem& fs, std::string_view file) {
    return fs.isInUse(file);
}

bool ShouldKeepFile(const platform::FileSystem& fs, std::string_view file, std::uint32_t attributes,
                    platform::FileTime lastWrite, bool ageTest, platform::FileTime now) {
    if ((attributes & (platform::fileattr::System | platform::fileattr::ReparsePoint)) != 0)
        return true;
    if (ageTest &&
        (lastWrite.ticks >= now.ticks || now.ticks - lastWrite.ticks <= kRecentFileTicks))
        return true;
    return IsFileInUse(fs, file);
}

}  // namespace quorvel::core
