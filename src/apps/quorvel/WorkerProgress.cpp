#include "WorkerProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include <fmt/core.h>

namespace quorvel::cli {

int terminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
    return 80;
}

void runWithProgress(core::HeadlessUiBridge& bridge, core::Worker& worker,
                     const core::StatusSink& status) {
    const bool showProgress = isatty(STDERR_FILENO) != 0;
    worker.start();
    std::uint64_t shown = 0;
    auto lastDraw = std::chrono::steady_clock::now();
    bridge.pumpUntil([&] {
        if (!showProgress) return worker.finished();
        const auto now = std::chrono::steady_clock::now();
        if (now - lastDraw >= std::chrono::milliseconds(100)) {
            const auto snap = status.snapshot();
            if (snap.generation != shown) {
                fmt::print(stderr, "\r\033[K[{:3}%] {}", snap.position, snap.text);
                std::fflush(stderr);
                shown = snap.generation;
            }
            lastDraw = now;
        }
        return worker.finished();
    });
    worker.wait();
    if (showProgress) fmt::print(stderr, "\r\033[K");
}

}  // namespace quorvel::cli
