#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <numeric>
#include <stdexcept>
#include <thread>

#include "core/threads/FindingsList.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "core/threads/Worker.h"

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

TEST(Worker, TenThousandFindingsAddedThroughSyncArriveInOrderOnTheUiThread) {
    HeadlessUiBridge bridge;
    const auto uiThread = std::this_thread::get_id();
    FindingsList<int> findings;
    std::atomic<int> offUiThread{0};
    int notifications = 0;
    FnWorker worker(bridge, [&](FnWorker& self) {
        for (int i = 0; i < 10'000 && !self.stopRequested(); ++i)
            self.sync([&, i] {
                if (std::this_thread::get_id() != uiThread) ++offUiThread;
                findings.push_back(i);
            });
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
    EXPECT_EQ(findings[9'999], 9'999);
    std::vector<int> expected(10'000);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(findings.items(), expected);
    EXPECT_EQ(bridge.runPending(), 0);  // nothing left behind
}

TEST(Worker, CancelAndWaitRunsThePendingSyncAndTheEndNotification) {
    HeadlessUiBridge bridge;
    std::promise<void> aboutToSync;
    int syncsRun = 0;
    bool sawStop = false, notified = false;
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

TEST(Worker, DestroyingARunningWorkerStopsItWithoutDeadlockAndDropsTheNotification) {
    HeadlessUiBridge bridge;
    std::promise<void> running;
    bool notified = false;
    auto worker = std::make_unique<FnWorker>(bridge, [&](FnWorker& self) {
        running.set_value();
        while (!self.stopRequested())
            self.sync([] {});
    });
    worker->start([&] { notified = true; });
    running.get_future().wait();
    worker.reset();  // the worker may be blocked in sync right now
    bridge.runPending();
    EXPECT_FALSE(notified);
}

TEST(Worker, TheEndNotificationMayDestroyTheWorkerWhileTheOwnerWaits) {
    HeadlessUiBridge bridge;
    auto worker = std::make_unique<FnWorker>(bridge, [](FnWorker& self) { self.sync([] {}); });
    bool ended = false;
    worker->start([&] {
        ended = true;
        worker.reset();  // the owner releases the worker in its end handler
    });
    worker->cancelAndWait();
    EXPECT_TRUE(ended);
    EXPECT_EQ(worker, nullptr);
}

TEST(Worker, ExceptionsReachTheWorkerAndNeverEscapeTheThread) {
    HeadlessUiBridge bridge;
    bool caughtInWorker = false, notified = false;
    FnWorker worker(bridge, [&](FnWorker& self) {
        try {
            self.sync([] { throw std::runtime_error("ui"); });
        } catch (const std::runtime_error&) {
            caughtInWorker = true;
        }
        throw std::logic_error("worker");
    });
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
    // Pumping on another thread only waits: the queued call stays for the UI thread.
    std::atomic<bool> ran{false};
    bridge.post([&] { ran = true; });
    std::thread([&] {
        int asked = 0;
        bridge.pumpUntil([&] { return ++asked > 1; });  // waits once
    }).join();
    EXPECT_FALSE(ran);
    EXPECT_EQ(bridge.runPending(), 1);
}

TEST(StatusSink, ShortenedTextsCountCharactersAndKeepTheDrive) {
    const std::string longer = "C:\\" + std::string(187, 'd') + "\\file.txt" + "x";  // 200 chars
    const std::tuple<std::string, int, std::string> tails[] = {
        {"abcdef", 6, "abcdef"},
        {"abcdefg", 6, "..cdefg"},  // ".." + the last 5
        {"", 0, ""},
        {"ab", 1, ".."},
        {"ab", -3, ".."},
        // Characters are counted, not bytes, and none is split.
        {"äöü", 3, "äöü"},
        {"xäöü€", 4, "..öü€"},
        {"日本語のパス", 3, "..パス"}};
    for (const auto& [text, width, shown] : tails)
        EXPECT_EQ(ShortenTail(text, width), shown) << text << " " << width;
    const std::tuple<std::string, int, std::string> paths[] = {
        {longer, 60, "C:\\.." + longer.substr(longer.size() - 56)},
        {"C:\\short.txt", 60, "C:\\short.txt"},
        {"C:\\abcdef", 9, "C:\\abcdef"},
        {"C:\\abcdefg", 9, "C:\\..cdefg"},
        {"C:\\abc", 2, "C:\\.."},
        // Network paths keep server and share; other paths have no drive.
        {"\\\\server\\share\\folder\\file.txt", 12, "\\\\server\\share\\..file.txt"},
        {"\\\\server", 4, "\\\\server\\.."},
        {"relative\\folder\\file.txt", 12, "\\..file.txt"}};
    for (const auto& [path, width, shown] : paths)
        EXPECT_EQ(ShortenPathKeepDrive(path, width), shown) << path << " " << width;

    // Positions are clamped and every publish counts.
    StatusSink sink(40);
    sink.publish("Scanning", 150);
    EXPECT_EQ(sink.snapshot().position, 100);
    sink.publishPosition(-4);
    sink.publishText("HKEY_CURRENT_USER");
    const auto snapshot = sink.snapshot();
    EXPECT_EQ(snapshot.position, 0);
    EXPECT_EQ(snapshot.text, "HKEY_CURRENT_USER");
    EXPECT_EQ(snapshot.generation, 3u);
}

}  // namespace
}  // namespace quorvel::core
