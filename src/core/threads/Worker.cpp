#include "core/threads/Worker.h"

#include <utility>

namespace quorvel::core {

Worker::~Worker() {
    stopAndJoin();
}

void Worker::stopAndJoin() {
    state_->orphaned.store(true, std::memory_order_release);
    requestStop();
    if (thread_.joinable()) {
        // Run the syncs the worker may be blocked in until execute() has returned; then the
        // thread only posts its (now dropped) notification and ends.
        const std::shared_ptr<State> state = state_;
        bridge_.pumpUntil([&state] { return state->finished.load(std::memory_order_acquire); });
        thread_.join();
    }
}

void Worker::start(std::function<void()> onFinished) {
    if (state_->started.exchange(true)) return;
    // The thread must not touch the Worker object after execute() returns: the owner may destroy
    // it as soon as the notification runs. It keeps the bridge (which outlives every worker) and
    // the shared state.
    thread_ = std::jthread(
        [this, state = state_, &bridge = bridge_, onFinished = std::move(onFinished)]() mutable {
            try {
                execute();
            } catch (...) {
                state->failed.store(true, std::memory_order_release);
            }
            state->finished.store(true, std::memory_order_release);
            bridge.post([state, onFinished = std::move(onFinished)] {
                const bool dropped = state->orphaned.load(std::memory_order_acquire);
                if (!dropped && onFinished) onFinished();
                state->notified.store(true, std::memory_order_release);
            });
        });
}

void Worker::waitFor(UiBridge& bridge, const std::shared_ptr<State>& state) {
    bridge.pumpUntil([state] {
        return state->notified.load(std::memory_order_acquire) ||
               !state->started.load(std::memory_order_acquire);
    });
}

void Worker::cancelAndWait() {
    requestStop();
    wait();
}

void Worker::wait() {
    // Copies first: the end notification run by the pump may destroy this object.
    UiBridge& bridge = bridge_;
    const std::shared_ptr<State> state = state_;
    waitFor(bridge, state);
}

}  // namespace quorvel::core
