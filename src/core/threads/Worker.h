#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "core/threads/UiBridge.h"

namespace quorvel::core {

// A scanner or repair thread: execute() runs on its own thread; the owner learns of the end
// through a notification posted to the UI thread. The owner holds the worker in a unique_ptr and
// may release it in (or after) that notification.
//
// Waiting never deadlocks a worker that is blocked in sync(): wait(), cancelAndWait() and the
// destructor pump the bridge while they wait, so the pending call runs and the worker goes on to
// see its stop request. Destroying a worker that is still running requests a stop, waits for
// execute() to return and drops its end notification (the owner is no longer there to hear it).
// The base destructor runs after the derived members are gone, so a derived class whose
// execute() uses members of its own calls stopAndJoin() first in its destructor.
class Worker {
public:
    explicit Worker(UiBridge& bridge) : bridge_(bridge) {}
    virtual ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts execute() on a new thread. onFinished runs on the UI thread after execute() returns.
    // A second call while the worker runs or after it has run does nothing.
    void start(std::function<void()> onFinished = {});
    void requestStop() { state_->stop.store(true, std::memory_order_relaxed); }
    bool stopRequested() const { return state_->stop.load(std::memory_order_relaxed); }
    // execute() has returned.
    bool finished() const { return state_->finished.load(std::memory_order_acquire); }
    // execute() ended with an exception (which the worker swallowed: workers report nothing).
    bool failed() const { return state_->failed.load(std::memory_order_acquire); }

    // On the UI thread: requests a stop and pumps the bridge until the end notification has run.
    // Safe when that notification destroys this worker.
    void cancelAndWait();
    // On the UI thread: pumps the bridge until the end notification has run. Same safety.
    void wait();

protected:
    virtual void execute() = 0;
    // Requests a stop, pumps the bridge until execute() has returned, joins the thread and drops
    // the end notification. Idempotent.
    void stopAndJoin();
    // Runs fn on the UI thread and waits (TThread.Synchronize).
    void sync(const std::function<void()>& fn) { bridge_.sync(fn); }
    UiBridge& bridge() { return bridge_; }

private:
    // Shared with the thread and the end notification, so both may outlive the Worker object.
    struct State {
        std::atomic<bool> stop{false};
        std::atomic<bool> started{false};
        std::atomic<bool> finished{false};
        std::atomic<bool> failed{false};
        std::atomic<bool> notified{false};  // the end notification has run (or was dropped)
        std::atomic<bool> orphaned{false};  // the Worker is being destroyed
    };
    static void waitFor(UiBridge& bridge, const std::shared_ptr<State>& state);

    UiBridge& bridge_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::jthread thread_;
};

}  // namespace quorvel::core
