#pragma once

#include <cstdint>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/FileTime.h"

namespace quorvel::core {

// The current time as a file time.
platform::FileTime CurrentFileTime();

// Two days in file-time ticks: a file written this long ago or more recently is "recent".
inline constexpr std::uint64_t kRecentFileTicks = 2ULL * 24 * 3600 * 10'000'000ULL;

// CreateFile(read+write, share read, open existing) fails: open elsewhere, locked, not writable.
bool IsFileInUse(const platform::FileSystem& fs, std::string_view file);

// The keep rule every cleaner applies to a file: keep it when it is in use, has the system
// attribute, is a reparse point (a link is never deleted through nor removed), or, with the age
// test, was last written 2.0 days or less before now (exactly two days still counts as recent; a
// time in the future too).
bool ShouldKeepFile(const platform::FileSystem& fs, std::string_view file, std::uint32_t attributes,
                    platform::FileTime lastWrite, bool ageTest,
                    platform::FileTime now = CurrentFileTime());

}  // namespace quorvel::core
