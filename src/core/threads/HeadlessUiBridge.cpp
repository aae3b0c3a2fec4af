#include "core/threads/HeadlessUiBridge.h"

#include <chrono>
#include <exception>
#include <memory>
#include <utility>

namespace quorvel::core {

namespace {

// How long a waiting loop sleeps before it tests its condition again even without a wake-up,
// so a condition changed without a post (a plain flag) is still seen.
constexpr std::chrono::milliseconds kSlice{20};

}  // namespace

HeadlessUiBridge::HeadlessUiBridge() : driver_(std::this_thread::get_id()) {}

void HeadlessUiBridge::sync(const std::function<void()>& fn) {
    if (onDrivingThread()) {
        fn();
        return;
    }
    // The call's state lives until both sides are done with it.
    struct Call {
        bool done = false;
        std::exception_ptr error;
    };
    auto call = std::make_shared<Call>();
    {
        std::lock_guard lock(mutex_);
        queue_.push_back([this, call, &fn] {
            try {
                fn();
            } catch (...) {
                call->error = std::current_exception();
            }
            std::lock_guard inner(mutex_);
            call->done = true;
            changed_.notify_all();
        });
        changed_.notify_all();
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return call->done; });
    if (call->error) std::rethrow_exception(call->error);
}

void HeadlessUiBridge::post(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(fn));
    changed_.notify_all();
}

std::function<void()> HeadlessUiBridge::next() {
    std::unique_lock lock(mutex_);
    if (queue_.empty()) {
        changed_.wait_for(lock, kSlice, [&] { return !queue_.empty(); });
        if (queue_.empty()) return {};
    }
    std::function<void()> call = std::move(queue_.front());
    queue_.pop_front();
    return call;
}

void HeadlessUiBridge::pumpUntil(const std::function<bool()>& done) {
    if (!onDrivingThread()) {
        // Not the UI thread: run nothing, only wait for the condition.
        std::unique_lock lock(mutex_);
        while (true) {
            lock.unlock();
            if (done()) return;
            lock.lock();
            changed_.wait_for(lock, kSlice);
        }
    }
    while (!done()) {
        if (std::function<void()> call = next()) call();
    }
}

int HeadlessUiBridge::runPending() {
    int ran = 0;
    while (true) {
        std::function<void()> call;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return ran;
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        call();
        ++ran;
    }
}

}  // namespace quorvel::core
