#pragma once

#include <string>

#include "platform/Environment.h"

namespace quorvel::core {

// The short Windows name other parts compare against: "nt3.51", "95", "nt4.0", "98", "me",
// "2000", "xp", "vista" (every 6.x), or empty for anything else (5.2, 10, other 4.x minors).
std::string OsNameFor(const platform::OsVersion& version);

}  // namespace quorvel::core
