#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "core/threads/UiBridge.h"

namespace quorvel::core {

// The UI bridge of the command-line programs and of tests: the thread that creates it is the
// driving (UI) thread, and work from other threads runs only while that thread pumps
// (pumpUntil or runPending), the way a window's message loop runs synchronised calls.
// Destroy it only after every worker that uses it has ended.
class HeadlessUiBridge final : public UiBridge {
public:
    HeadlessUiBridge();
    HeadlessUiBridge(const HeadlessUiBridge&) = delete;
    HeadlessUiBridge& operator=(const HeadlessUiBridge&) = delete;

    void sync(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    void pumpUntil(const std::function<bool()>& done) override;

    // On the driving thread: runs what is queued now; returns how many calls ran.
    int runPending();
    bool onDrivingThread() const { return std::this_thread::get_id() == driver_; }

private:
    // Takes the next queued call, waiting at most one slice; empty when none came.
    std::function<void()> next();

    const std::thread::id driver_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace quorvel::core
