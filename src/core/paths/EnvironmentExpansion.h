#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Environment.h"

namespace quorvel::core {

// ExpandEnvironmentStrings over the machine's environment: every %NAME% the environment defines
// is replaced by its value (names without regard to case; the inserted text is not searched
// again). A "%" that opens no variable name (a lone one, "%1", "%*") is kept as it stands. nullopt
// when a %NAME% remains that the machine does not define: a path holding it cannot be judged.
std::optional<std::string> ExpandEnvironmentVars(const platform::Environment& environment,
                                                 std::string_view text);

}  // namespace quorvel::core
