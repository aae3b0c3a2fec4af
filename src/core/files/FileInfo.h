#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Environment.h"
#include "platform/FileSystem.h"

namespace quorvel::core {

// The size of a file; 0 when it does not exist.
std::uint64_t FileSize(const platform::FileSystem& fs, std::string_view file);

// The name of the user the machine runs programs as.
std::string UserName(const platform::Environment& environment);

// Privileges of the process token. A program that works on a machine through its prefix needs
// none, so both succeed without doing anything. EnableDebugPrivilege returns 0 (success).
bool SetPrivilege(std::string_view privilegeName, bool enable);
int EnableDebugPrivilege();

}  // namespace quorvel::core
