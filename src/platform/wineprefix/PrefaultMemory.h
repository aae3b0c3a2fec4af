#pragma once

#include <cstddef>

namespace quorvel::platform::wineprefix {

// Asks the kernel to map the pages of a large, freshly allocated buffer in one go. Faulting in
// a hundred megabytes page by page costs more than reading a file of that size into them.
// Only a hint, ignored by kernels without the feature; worth it from about a megabyte.
void prefaultMemory(void* data, std::size_t size);

}  // namespace quorvel::platform::wineprefix
