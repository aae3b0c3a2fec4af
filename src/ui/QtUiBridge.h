#pragma once

#include <QObject>

#include "core/threads/UiBridge.h"

namespace quorvel::ui {

// The UI bridge of the desktop program. sync() from a worker is a blocking queued call into the
// thread that created the bridge; on that thread it runs at once. pumpUntil() keeps the window
// responsive (paint, input, queued calls) while the UI thread waits for a worker.
class QtUiBridge final : public QObject, public core::UiBridge {
    Q_OBJECT
public:
    explicit QtUiBridge(QObject* parent = nullptr);

    void sync(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    void pumpUntil(const std::function<bool()>& done) override;

    // True while some pumpUntil() on this bridge is waiting.
    bool pumping() const { return pumpDepth_ > 0; }

private:
    int pumpDepth_ = 0;
};

}  // namespace quorvel::ui
