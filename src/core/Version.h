#pragma once

namespace quorvel::core {

inline constexpr const char* kProductVersion = "0.1.0";

}  // namespace quorvel::core
