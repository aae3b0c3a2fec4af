#pragma once

#include <array>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "oneclick/OneClickView.h"

namespace quorvel::oneclick {

// The one-click view of programs without windows: keeps what the page would show, for printing
// afterwards, and (when drawing is on) redraws the status line with the progress on a terminal
// while a category runs.
class TerminalView final : public OneClickView {
public:
    struct Result {
        std::string text;  // "" when the label was never shown
        bool highlight = false;
        bool details = false;
    };

    // out receives the status line (normally stderr); nullptr or draw false: nothing is drawn.
    TerminalView(std::FILE* out, bool draw);
    ~TerminalView() override;
    TerminalView(const TerminalView&) = delete;
    TerminalView& operator=(const TerminalView&) = delete;

    // The width of the terminal; the status line is kept within it.
    void setColumns(int columns) { columns_ = columns; }
    // The titles the status line names the running category by.
    void setTitles(std::array<std::string, kCategoryCount> titles) { titles_ = std::move(titles); }

    void setResult(ScanCategory category, const std::string& text, bool highlight) override;
    void setDetailsVisible(ScanCategory category, bool visible) override;
    void setCurrentCategory(std::optional<ScanCategory> category) override;
    void setBusy(bool busy, core::StatusSink* status) override;
    void setSummary(const std::string& text, bool visible) override;
    void setStartButton(const std::string& text, StartTag tag) override;
    void setButtonsEnabled(bool, bool) override {}
    void setTrayAnimated(bool) override {}
    void showBalloon(const std::string& title, const std::string& text, int seconds) override;
    void closePage() override { closed_ = true; }

    const Result& result(ScanCategory category) const { return results_[Index(category)]; }
    const std::string& summary() const { return summary_; }
    const std::string& startText() const { return startText_; }
    const std::string& balloonTitle() const { return balloonTitle_; }
    bool closed() const { return closed_; }

private:
    void stopDrawing();

    std::FILE* out_;
    bool draw_;
    int columns_ = 80;
    std::array<Result, kCategoryCount> results_{};
    std::optional<ScanCategory> current_;
    std::string summary_;
    std::string startText_;
    std::string balloonTitle_;
    bool closed_ = false;
    std::mutex drawMutex_;
    std::array<std::string, kCategoryCount> titles_{};
    std::string currentTitle_;
    std::jthread drawer_;
};

}  // namespace quorvel::oneclick
