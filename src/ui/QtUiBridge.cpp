#include "ui/QtUiBridge.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace quorvel::ui {

namespace {
// How often a waiting UI thread looks at its condition when no event wakes it.
constexpr int kPollMs = 15;
}  // namespace

QtUiBridge::QtUiBridge(QObject* parent) : QObject(parent) {}

void QtUiBridge::sync(const std::function<void()>& fn) {
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    // The event carries a semaphore that is released even when the event is dropped (the bridge
    // destroyed first), so a worker never waits for ever on a UI that went away.
    QMetaObject::invokeMethod(
        this, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void QtUiBridge::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(
        this, [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}

void QtUiBridge::pumpUntil(const std::function<bool()>& done) {
    if (done()) return;
    ++pumpDepth_;
    // A loop may also end because the application was told to quit; the wait goes on until
    // done(), so a worker is never left running behind a caller that believes it ended.
    while (!done()) {
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(kPollMs);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done()) loop.quit();
        });
        poll.start();
        // Queued calls run inside this loop; the poll catches a condition that changed without
        // one.
        loop.exec();
        // Once the application was told to quit, new loops end at once: serve the events here.
        if (!done())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    --pumpDepth_;
}

}  // namespace quorvel::ui
