#include "ui/QtUiBridge.h"

#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

TEST(QtUiBridgeTest, WorkerSyncsRunOnTheUiThreadWhileItPumps) {
    QtUiBridge bridge;
    std::vector<int> list;  // changed on the UI thread only
    std::atomic<bool> done{false};
    bool allOnUiThread = true;
    std::thread worker([&] {
        for (int i = 0; i < 10000; ++i)
            bridge.sync([&, i] {
                allOnUiThread = allOnUiThread && QThread::currentThread() == bridge.thread();
                list.push_back(i);
            });
        bridge.post([&] { done = true; });
    });
    bridge.pumpUntil([&] { return done.load(); });
    worker.join();
    ASSERT_EQ(list.size(), 10000u);
    EXPECT_TRUE(allOnUiThread);
    EXPECT_EQ(list.back(), 9999);
    EXPECT_FALSE(bridge.pumping());
}

TEST(QtUiBridgeTest, SyncOnTheUiThreadRunsAtOnceAndPostRunsLater) {
    QtUiBridge bridge;
    int value = 0;
    bridge.sync([&] { value = 1; });
    EXPECT_EQ(value, 1);
    bridge.post([&] { value = 2; });
    EXPECT_EQ(value, 1);
    bridge.pumpUntil([&] { return value == 2; });
    EXPECT_EQ(value, 2);
    // A condition that is already true returns at once.
    bridge.pumpUntil([] { return true; });
}

TEST(QtUiBridgeTest, ConditionChangedWithoutAnEventStillEndsTheWait) {
    QtUiBridge bridge;
    std::atomic<bool> flag{false};
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        flag = true;  // no queued call, no event
    });
    bridge.pumpUntil([&] { return flag.load(); });
    setter.join();
    EXPECT_TRUE(flag.load());
}

TEST(QtUiBridgeTest, QuitDuringTheWaitDoesNotEndItEarly) {
    QtUiBridge bridge;
    std::atomic<bool> done{false};
    bridge.post([] { QCoreApplication::exit(0); });
    std::thread worker([&] {
        bridge.sync([] {});  // needs the UI thread to keep pumping after the quit
        done = true;
    });
    bridge.pumpUntil([&] { return done.load(); });
    worker.join();
    EXPECT_TRUE(done.load());
    // The quit is pending for the thread's loops until the application loop has run once.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

}  // namespace
}  // namespace quorvel::ui
