#pragma once

#include <cstddef>

namespace quorvel::platform::wineprefix {

// Asks the kernel to map the pages of a large, freshly allocated buffer in one go. Faulting in
// a hundred megabytes page by page costs more than reading a file of that size into them.
// Only a hint, ignored by kernels without the feature. Buffers under a megabyte are left to
// fault in as they are used: for them the call would cost more than it saves.
inline constexpr std::size_t kPrefaultFrom = std::size_t{1} << 20;
void prefaultMemory(void* data, std::size_t size);

}  // namespace quorvel::platform::wineprefix
