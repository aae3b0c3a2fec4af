#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Environment.h"

namespace quorvel::core {

// The "Path" variable split at ";": an empty piece between two separators is an empty entry, a
// trailing separator adds none, an empty text gives no entries.
std::vector<std::string> SplitSearchPath(std::string_view pathVariable);

// ";C:\:" for every fixed drive, upper case, in drive order: ";C:\:;E:\:".
std::string FixedDrivesText(const platform::Environment& environment);

// GetLongPathName with the classic buffer: the path unchanged when it has no long form or the
// long form needs more than 260 characters.
std::string LongPathName(const platform::Environment& environment, std::string_view path);

// Switches WOW64 file-system redirection off (revert false) or on again (revert true) for the
// calling thread. A machine seen through its prefix has no redirection: both do nothing.
void SetFsRedirection(bool revert);

// The folder with exactly one trailing backslash added when it has none; empty stays empty.
std::string WithTrailingBackslash(std::string_view folder);

}  // namespace quorvel::core
