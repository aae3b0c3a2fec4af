#pragma once

#include <compare>
#include <cstdint>

namespace quorvel::platform {

// A Windows FILETIME: 100-nanosecond intervals since 1601-01-01 UTC.
struct FileTime {
    std::uint64_t ticks = 0;

    // Seconds between 1601-01-01 and 1970-01-01.
    static constexpr std::int64_t kUnixEpochSeconds = 11644473600LL;
    static constexpr std::int64_t kTicksPerSecond = 10000000LL;

    static constexpr FileTime fromUnix(std::int64_t seconds, std::int64_t nanoseconds = 0) {
        return FileTime{static_cast<std::uint64_t>((seconds + kUnixEpochSeconds) * kTicksPerSecond +
                                                   nanoseconds / 100)};
    }
    constexpr std::int64_t unixSeconds() const {
        return static_cast<std::int64_t>(ticks / kTicksPerSecond) - kUnixEpochSeconds;
    }
    constexpr std::int64_t unixNanosecondsPart() const {
        return static_cast<std::int64_t>(ticks % kTicksPerSecond) * 100;
    }

    friend constexpr auto operator<=>(const FileTime&, const FileTime&) = default;
};

}  // namespace quorvel::platform
