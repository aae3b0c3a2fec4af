#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace quorvel::platform::wineprefix {

// Large memory blocks whose pages a thread of its own maps while the caller is still filling
// the block before: mapping a hundred megabytes takes the kernel about as long as reading a
// file of that size, and on a second core it costs the loader nothing. One block is made
// ahead; the thread starts with the first request and ends with the object.
class PrefaultedBlocks {
public:
    PrefaultedBlocks() = default;
    PrefaultedBlocks(const PrefaultedBlocks&) = delete;
    PrefaultedBlocks& operator=(const PrefaultedBlocks&) = delete;
    ~PrefaultedBlocks() = default;  // the thread is stopped and joined first

    // A block of `size` bytes: the one prepared for it, or a new one.
    std::unique_ptr<std::byte[]> take(std::size_t size);
    // Starts making a block of `size` bytes for the next take().
    void prepare(std::size_t size);

private:
    void run(const std::stop_token& stop);

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::size_t wanted_ = 0;  // size being made, 0 when none
    std::size_t readySize_ = 0;
    std::unique_ptr<std::byte[]> ready_;
    std::jthread thread_;  // last, so that it ends before the members it uses
};

}  // namespace quorvel::platform::wineprefix
