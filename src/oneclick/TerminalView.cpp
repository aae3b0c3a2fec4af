#include "oneclick/TerminalView.h"

#include <chrono>

#include "core/threads/StatusSink.h"

namespace quorvel::oneclick {

TerminalView::TerminalView(std::FILE* out, bool draw) : out_(out), draw_(draw && out != nullptr) {}

TerminalView::~TerminalView() {
    stopDrawing();
}

void TerminalView::setResult(ScanCategory category, const std::string& text, bool highlight) {
    auto& r = results_[Index(category)];
    r.text = text;
    r.highlight = highlight;
}

void TerminalView::setDetailsVisible(ScanCategory category, bool visible) {
    results_[Index(category)].details = visible;
}

void TerminalView::setCurrentCategory(std::optional<ScanCategory> category) {
    current_ = category;
    const std::lock_guard lock(drawMutex_);
    currentTitle_ = category ? titles_[Index(*category)] : std::string();
}

void TerminalView::setBusy(bool busy, core::StatusSink* status) {
    stopDrawing();
    if (!busy || !draw_ || !status) return;
    drawer_ = std::jthread([this, status](std::stop_token stop) {
        std::uint64_t shown = 0;
        while (!stop.stop_requested()) {
            const auto snap = status->snapshot();
            {
                const std::lock_guard lock(drawMutex_);
                if (snap.generation != shown) {
                    constexpr int kBar = 20;
                    const int filled = snap.position * kBar / 100;
                    const std::string bar =
                        "[" + std::string(static_cast<std::size_t>(filled), '#') +
                        std::string(static_cast<std::size_t>(kBar - filled), '.') + "]";
                    const std::string head =
                        bar + " " + std::to_string(snap.position) + "% " + currentTitle_ + ": ";
                    const int room = columns_ - 1 - static_cast<int>(head.size());
                    const std::string tail = room > 3 ? core::ShortenTail(snap.text, room) : "";
                    std::fprintf(out_, "\r\033[K%s%s", head.c_str(), tail.c_str());
                    std::fflush(out_);
                    shown = snap.generation;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        const std::lock_guard lock(drawMutex_);
        std::fprintf(out_, "\r\033[K");
        std::fflush(out_);
    });
}

void TerminalView::stopDrawing() {
    if (!drawer_.joinable()) return;
    drawer_.request_stop();
    drawer_.join();
}

void TerminalView::setSummary(const std::string& text, bool visible) {
    summary_ = visible ? text : std::string();
}

void TerminalView::setStartButton(const std::string& text, StartTag) {
    startText_ = text;
}

void TerminalView::showBalloon(const std::string& title, const std::string&, int) {
    balloonTitle_ = title;
}

}  // namespace quorvel::oneclick
