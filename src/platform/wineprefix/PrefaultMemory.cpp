#include "platform/wineprefix/PrefaultMemory.h"

#include <sys/mman.h>

#include <cstdint>

namespace quorvel::platform::wineprefix {

void prefaultMemory(void* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
    // The pages holding the first and last bytes are taken whole: they are mapped, and
    // populating leaves their contents alone.
    constexpr std::uintptr_t kPage = 4096;
    if (size < kPrefaultFrom) return;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = start & ~(kPage - 1);
    const std::uintptr_t end = (start + size + kPage - 1) & ~(kPage - 1);
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace quorvel::platform::wineprefix
