#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "core/threads/UiBridge.h"

namespace quorvel::core {

// A scanner or repair thread: execute() runs on its own thread; the owner learns of the end
// through a notification posted to the UI thread. The owner holds the worker in a unique_ptr and
// releases it in (or after) that notification; destroying a worker requests a stop and joins.
class Worker {
public:
    explicit Worker(UiBridge& bridge) : bridge_(bridge) {}
    virtual ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts execute() on a new thread. onFinished runs on the UI thread after execute() returns.
    void start(std::function<void()> onFinished = {});
    void requestStop() { stop_.store(true, std::memory_order_relaxed); }
    bool stopRequested() const { return stop_.load(std::memory_order_relaxed); }
    bool finished() const { return finished_.load(std::memory_order_acquire); }

    // On the UI thread: requests a stop and pumps the bridge until execute() has returned.
    void cancelAndWait();
    // On the UI thread: pumps the bridge until execute() has returned.
    void wait();

protected:
    virtual void execute() = 0;
    // Runs fn on the UI thread and waits (TThread.Synchronize).
    void sync(const std::function<void()>& fn) { bridge_.sync(fn); }
    UiBridge& bridge() { return bridge_; }

private:
    UiBridge& bridge_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::jthread thread_;
};

}  // namespace quorvel::core
