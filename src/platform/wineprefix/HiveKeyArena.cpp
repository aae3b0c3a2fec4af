#include "platform/wineprefix/HiveKeyArena.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/wineprefix/PrefaultMemory.h"
#include "platform/wineprefix/PrefaultedBlocks.h"

namespace quorvel::platform::wineprefix {

HiveKeyArena::HiveKeyArena() : ahead_(std::make_unique<PrefaultedBlocks>()) {}

HiveKeyArena::~HiveKeyArena() = default;

void HiveKeyArena::finishLoading() {
    ahead_.reset();
}

void* HiveKeyArena::allocate(std::size_t size, std::size_t alignment) {
    const auto misalignment = [&] {
        const auto at = reinterpret_cast<std::uintptr_t>(next_);
        return static_cast<std::size_t>((alignment - at % alignment) % alignment);
    };
    if (!next_ || left_ < size + misalignment()) {
        // Blocks double up to 16 MB: a small hive does not pay for a large block, nor for a
        // thread that maps blocks ahead (it starts once a megabyte is used).
        constexpr std::size_t kLargestBlock = std::size_t{16} << 20;
        constexpr std::size_t kMappedAhead = kPrefaultFrom;
        const std::size_t blockSize = std::max(nextBlockSize_, size + alignment);
        std::unique_ptr<std::byte[]> block;
        if (ahead_ && blockSize >= kMappedAhead) {
            block = ahead_->take(blockSize);
        } else {
            block = std::make_unique_for_overwrite<std::byte[]>(blockSize);
        }
        next_ = block.get();
        left_ = blockSize;
        blocks_.push_back(std::move(block));
        nextBlockSize_ = std::min(nextBlockSize_ * 2, kLargestBlock);
        if (ahead_ && blockSize >= kMappedAhead) ahead_->prepare(nextBlockSize_);
    }
    const std::size_t skip = misalignment();
    std::byte* const result = next_ + skip;
    next_ += skip + size;
    left_ -= skip + size;
    return result;
}

}  // namespace quorvel::platform::wineprefix
