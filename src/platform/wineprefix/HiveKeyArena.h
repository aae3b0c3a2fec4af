#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace quorvel::platform::wineprefix {

class PrefaultedBlocks;

// Memory for the keys of a hive being loaded: a few large blocks in place of a million small
// allocations, the large ones mapped ahead of need on another thread. Not thread-safe; only
// the loader allocates, and it calls finishLoading() when done. Memory is given back when the
// arena dies, not key by key: loaded keys are rarely deleted.
class HiveKeyArena {
public:
    HiveKeyArena();
    ~HiveKeyArena();
    HiveKeyArena(const HiveKeyArena&) = delete;
    HiveKeyArena& operator=(const HiveKeyArena&) = delete;

    void* allocate(std::size_t size, std::size_t alignment);
    // Ends the thread that maps blocks ahead.
    void finishLoading();

private:
    std::unique_ptr<PrefaultedBlocks> ahead_;
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::byte* next_ = nullptr;
    std::size_t left_ = 0;
    std::size_t nextBlockSize_ = 64 * 1024;
};

// Allocator over a shared arena. Everything allocated through it keeps the arena alive (the
// allocator is stored with each shared_ptr's control block), so a key may outlive its loader,
// its hive and its registry.
template <class T>
class ArenaAllocator {
public:
    using value_type = T;

    explicit ArenaAllocator(std::shared_ptr<HiveKeyArena> arena) : arena_(std::move(arena)) {}
    template <class U>
    ArenaAllocator(const ArenaAllocator<U>& other) : arena_(other.arena_) {}  // NOLINT

    T* allocate(std::size_t n) {
        return static_cast<T*>(arena_->allocate(n * sizeof(T), alignof(T)));
    }
    void deallocate(T*, std::size_t) noexcept {}

    template <class U>
    bool operator==(const ArenaAllocator<U>& other) const {
        return arena_ == other.arena_;
    }

private:
    template <class U>
    friend class ArenaAllocator;
    std::shared_ptr<HiveKeyArena> arena_;
};

}  // namespace quorvel::platform::wineprefix
