#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/wineprefix/HiveKey.h"
#include "platform/wineprefix/HiveKeyArena.h"
#include "platform/wineprefix/PrefaultedBlocks.h"

namespace quorvel::platform::wineprefix {
namespace {

TEST(PrefaultedBlocks, HandsOutUsableBlocksWhateverWasPrepared) {
    PrefaultedBlocks blocks;
    constexpr std::size_t kMb = std::size_t{1} << 20;
    // Nothing prepared, the size prepared, and another size than the one prepared.
    std::vector<std::unique_ptr<std::byte[]>> taken;
    taken.push_back(blocks.take(kMb));
    blocks.prepare(2 * kMb);
    taken.push_back(blocks.take(2 * kMb));
    blocks.prepare(4 * kMb);
    taken.push_back(blocks.take(kMb));
    for (std::size_t i = 0; i < taken.size(); ++i) {
        ASSERT_NE(taken[i], nullptr);
        std::memset(taken[i].get(), static_cast<int>(i), kMb);
    }
    // Ends while a block is still being made.
    blocks.prepare(16 * kMb);
}

TEST(HiveKeyArena, KeysOutliveTheLoaderAndKeepTheirMemory) {
    std::vector<std::shared_ptr<HiveKey>> keys;
    {
        auto arena = std::make_shared<HiveKeyArena>();
        const ArenaAllocator<HiveKey> allocator(arena);
        // Enough keys for blocks that are mapped ahead.
        for (int i = 0; i < 40000; ++i) {
            keys.push_back(std::allocate_shared<HiveKey>(allocator));
            keys.back()->name = "Key number " + std::to_string(i) + " with a long name";
        }
        arena->finishLoading();
    }
    std::uintptr_t previous = 0;
    for (std::size_t i = 0; i < keys.size(); i += 997) {
        EXPECT_EQ(keys[i]->name, "Key number " + std::to_string(i) + " with a long name");
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(keys[i].get()) % alignof(HiveKey), 0u);
        EXPECT_NE(reinterpret_cast<std::uintptr_t>(keys[i].get()), previous);
        previous = reinterpret_cast<std::uintptr_t>(keys[i].get());
    }
}

}  // namespace
}  // namespace quorvel::platform::wineprefix
