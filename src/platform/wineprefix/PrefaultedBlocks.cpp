#include "platform/wineprefix/PrefaultedBlocks.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

#include "platform/wineprefix/PrefaultMemory.h"

namespace quorvel::platform::wineprefix {
namespace {

std::unique_ptr<std::byte[]> makeBlock(std::size_t size, const std::stop_token& stop = {}) {
    auto block = std::make_unique_for_overwrite<std::byte[]>(size);
    // A megabyte at a time, so that a block no longer needed does not hold up the end.
    constexpr std::size_t kStep = kPrefaultFrom;
    for (std::size_t at = 0; at < size && !stop.stop_requested(); at += kStep)
        prefaultMemory(block.get() + at, std::min(kStep, size - at));
    return block;
}

}  // namespace

std::unique_ptr<std::byte[]> PrefaultedBlocks::take(std::size_t size) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return wanted_ != size; });  // one being made: wait for it
        if (ready_ && readySize_ == size) {
            readySize_ = 0;
            return std::move(ready_);
        }
    }
    return makeBlock(size);
}

void PrefaultedBlocks::prepare(std::size_t size) {
    const std::lock_guard lock(mutex_);
    ready_.reset();
    readySize_ = 0;
    wanted_ = size;
    if (!thread_.joinable()) {
        try {
            thread_ = std::jthread([this](const std::stop_token& stop) { run(stop); });
        } catch (const std::system_error&) {
            wanted_ = 0;  // no thread to spare: take() makes the blocks itself
            return;
        }
    }
    changed_.notify_all();
}

void PrefaultedBlocks::run(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!changed_.wait(lock, stop, [&] { return wanted_ != 0; })) return;  // stopped
        const std::size_t size = wanted_;
        lock.unlock();
        std::unique_ptr<std::byte[]> block;
        try {
            block = makeBlock(size, stop);
        } catch (const std::bad_alloc&) {
            // take() makes the block itself and reports the failure where it can be handled.
        }
        lock.lock();
        if (wanted_ != size) continue;  // asked for another size meanwhile
        ready_ = std::move(block);
        readySize_ = ready_ ? size : 0;
        wanted_ = 0;
        changed_.notify_all();
    }
}

}  // namespace quorvel::platform::wineprefix
