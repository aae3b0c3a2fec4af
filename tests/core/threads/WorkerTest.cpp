#include "core/threads/Worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/threads/FindingsList.h"
#include "core/threads/HeadlessUiBridge.h"

namespace quorvel::core {
namespace {

// A worker whose execute() is the given function; it sees itself so it can sync and test stops.
class FnWorker final : public Worker {
public:
    using Body = std::function<void(FnWorker&)>;
    FnWorker(UiBridge& bridge, Body body) : Worker(bridge), body_(std::move(body)) {}
    ~FnWorker() override { stopAndJoin(); }
    using Worker::sync;

private:
    void execute() override { body_(*this); }
    Body body_;
};

TEST(WorkerFindings, TenThousandFindingsAddedThroughSyncArriveInOrderOnTheUiThread) {
    HeadlessUiBridge bridge;
    const auto uiThread = std::this_thread::get_id();
    FindingsList<int> findings;
    std::atomic<int> offUiThread{0};
    int notifications = 0;

    FnWorker worker(bridge, [&](FnWorker& self) {
        for (int i = 0; i < 10'000 && !self.stopRequested(); ++i) {
            self.sync([&, i] {
                if (std::this_thread::get_id() != uiThread) ++offUiThread;
                findings.push_back(i);
            });
        }
    });
    worker.start([&] {
        EXPECT_EQ(std::this_thread::get_id(), uiThread);
        ++notifications;
    });
    worker.wait();

    EXPECT_FALSE(worker.failed());
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(offUiThread.load(), 0);
    ASSERT_EQ(findings.size(), 10'000u);
    for (int i = 0; i < 10'000; ++i)
        ASSERT_EQ(findings[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(bridge.runPending(), 0);  // nothing left behind
}

TEST(WorkerStop, CancelAndWaitRunsThePendingSyncAndTheEndNotification) {
    HeadlessUiBridge bridge;
    std::promise<void> aboutToSync;
    int syncsRun = 0;
    bool sawStop = false;
    bool notified = false;

    FnWorker worker(bridge, [&](FnWorker& self) {
        aboutToSync.set_value();
        self.sync([&] { ++syncsRun; });  // blocks: the UI thread is not pumping yet
        sawStop = self.stopRequested();
    });
    worker.start([&] { notified = true; });
    aboutToSync.get_future().wait();
    worker.cancelAndWait();

    EXPECT_EQ(syncsRun, 1);
    EXPECT_TRUE(sawStop);
    EXPECT_TRUE(notified);

    // Waiting for a worker that never started returns at once.
    FnWorker idle(bridge, [](FnWorker&) {});
    idle.cancelAndWait();
    EXPECT_FALSE(idle.finished());
}

TEST(WorkerStop, DestroyingARunningWorkerStopsItWithoutDeadlockAndDropsTheNotification) {
    HeadlessUiBridge bridge;
    std::promise<void> running;
    std::atomic<int> rounds{0};
    bool notified = false;

    auto worker = std::make_unique<FnWorker>(bridge, [&](FnWorker& self) {
        running.set_value();
        while (!self.stopRequested())
            self.sync([&] { ++rounds; });
    });
    worker->start([&] { notified = true; });
    running.get_future().wait();
    worker.reset();  // the worker may be blocked in sync right now

    bridge.runPending();
    EXPECT_FALSE(notified);
}

TEST(WorkerStop, TheEndNotificationMayDestroyTheWorkerWhileTheOwnerWaits) {
    HeadlessUiBridge bridge;
    std::unique_ptr<FnWorker> worker =
        std::make_unique<FnWorker>(bridge, [](FnWorker& self) { self.sync([] {}); });
    bool ended = false;
    worker->start([&] {
        ended = true;
        worker.reset();  // the owner releases the worker in its end handler
    });
    worker->cancelAndWait();
    EXPECT_TRUE(ended);
    EXPECT_EQ(worker, nullptr);
}

TEST(WorkerErrors, ExceptionsReachTheWorkerAndNeverEscapeTheThread) {
    HeadlessUiBridge bridge;
    bool caughtInWorker = false;
    FnWorker worker(bridge, [&](FnWorker& self) {
        try {
            self.sync([] { throw std::runtime_error("ui"); });
        } catch (const std::runtime_error&) {
            caughtInWorker = true;
        }
        throw std::logic_error("worker");
    });
    bool notified = false;
    worker.start([&] { notified = true; });
    worker.start([&] { ADD_FAILURE() << "a second start must do nothing"; });
    worker.wait();
    EXPECT_TRUE(caughtInWorker);
    EXPECT_TRUE(worker.failed());
    EXPECT_TRUE(notified);
}

TEST(HeadlessBridge, SyncRunsAtOncePostAndOtherThreadsWaitForThePump) {
    HeadlessUiBridge bridge;
    std::vector<int> order;
    bridge.post([&] { order.push_back(2); });
    bridge.sync([&] { order.push_back(1); });
    EXPECT_EQ(order, std::vector<int>{1});
    EXPECT_EQ(bridge.runPending(), 1);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));

    // Pumping on another thread only waits.
    std::atomic<bool> ran{false};
    std::atomic<bool> done{false};
    bridge.post([&] { ran = true; });
    std::thread other([&] { bridge.pumpUntil([&] { return done.load(); }); });
    done = true;
    other.join();
    EXPECT_FALSE(ran);  // the queued call is still waiting for the UI thread
    EXPECT_EQ(bridge.runPending(), 1);
}

}  // namespace
}  // namespace quorvel::core
