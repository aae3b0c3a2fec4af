#pragma once

#include <functional>

namespace quorvel::core {

// Runs code on the UI thread, the one thread that owns findings lists and views.
class UiBridge {
public:
    virtual ~UiBridge() = default;

    // Runs fn on the UI thread and waits until it has run. On the UI thread itself fn runs at
    // once. Workers use it for every change to a findings list. An exception thrown by fn is
    // rethrown in the calling thread.
    virtual void sync(const std::function<void()>& fn) = 0;
    // Queues fn to run on the UI thread later; returns at once (end notifications).
    virtual void post(std::function<void()> fn) = 0;
    // Called on the UI thread: keeps running queued work (and, in a GUI, window events) until
    // done() is true. This is how the UI thread waits for a worker without blocking its syncs.
    // Called on any other thread it only waits until done() is true, running nothing; done() is
    // tested again after every sync or post and at least every few milliseconds.
    virtual void pumpUntil(const std::function<bool()>& done) = 0;
};

}  // namespace quorvel::core
