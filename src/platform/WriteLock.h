#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

namespace quorvel::platform {

// The exclusive right to change one machine: held from loading what will change until it has
// been saved, so two programs never overwrite each other's work. Released when destroyed.
class WriteLock {
public:
    virtual ~WriteLock() = default;
};

using WriteLockPtr = std::unique_ptr<WriteLock>;

// How long to wait for a lock another program holds, and whom to tell that it is waited for
// (called once, with a description of the holder, e.g. "quorvel (process 4711)").
struct LockWait {
    std::chrono::milliseconds patience{0};
    std::function<void(std::string_view holder)> onWait;
};

}  // namespace quorvel::platform
