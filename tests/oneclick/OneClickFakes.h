#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/threads/Worker.h"
#include "oneclick/CategoryTasks.h"
#include "oneclick/OneClickView.h"

namespace quorvel::testing {

// A worker that runs a given body.
class FakeWorker final : public core::Worker {
public:
    using Body = std::function<void(FakeWorker&)>;
    FakeWorker(core::UiBridge& bridge, Body body) : Worker(bridge), body_(std::move(body)) {}
    ~FakeWorker() override { stopAndJoin(); }
    void onUi(const std::function<void()>& fn) { sync(fn); }

protected:
    void execute() override { body_(*this); }

private:
    Body body_;
};

// A category whose scanner "finds" the planted items (their sizes) and whose repair empties
// its list. Remembers what the run asked of it. With `junkRule` it has something to repair only
// when the size sum is above 0, as junk files do.
class FakeCategory final : public oneclick::CategoryTasks {
public:
    std::vector<std::int64_t> planted;  // what the next scan finds
    std::vector<std::int64_t> list;     // the findings list
    bool hasScanner = true;
    bool junkRule = false;
    bool scanWaitsForStop = false;      // the scanner runs until it is stopped
    std::function<void()> onScanStart;  // on the UI thread, when the scanner is created

    int clears = 0, scansCreated = 0, repairsCreated = 0;
    std::optional<std::string> backupIdAtRepair;

    void clearFindings() override {
        list.clear();
        ++clears;
    }
    std::unique_ptr<core::Worker> createScanner(const oneclick::RunTools& tools) override {
        if (!hasScanner) return nullptr;
        ++scansCreated;
        if (onScanStart) onScanStart();
        return std::make_unique<FakeWorker>(tools.bridge, [this](FakeWorker& w) {
            for (const auto item : planted) {
                if (w.stopRequested()) return;
                w.onUi([this, item] { list.push_back(item); });
            }
            while (scanWaitsForStop && !w.stopRequested())
                std::this_thread::yield();
        });
    }
    std::unique_ptr<core::Worker> createRepair(const oneclick::RunTools& tools) override {
        ++repairsCreated;
        backupIdAtRepair = tools.currentBackupId;
        return std::make_unique<FakeWorker>(
            tools.bridge, [this](FakeWorker& w) { w.onUi([this] { list.clear(); }); });
    }
    std::int64_t listCount() const override { return static_cast<std::int64_t>(list.size()); }
    std::int64_t sizeSum() const override {
        std::int64_t sum = 0;
        for (const auto s : list)
            sum += s;
        return sum;
    }
    bool hasSomethingToRepair() const override { return junkRule ? sizeSum() > 0 : !list.empty(); }
};

// Keeps what the engine last showed.
class RecordingView final : public oneclick::OneClickView {
public:
    struct Result {
        std::string text;
        bool highlight = false;
    };
    std::array<Result, oneclick::kCategoryCount> results{};
    std::array<bool, oneclick::kCategoryCount> details{};
    std::optional<oneclick::ScanCategory> current;
    std::string summary, startText;
    oneclick::StartTag tag = oneclick::StartTag::Scan;
    bool busy = false, summaryVisible = false, startEnabled = true, cancelEnabled = false;
    bool trayAnimated = false;
    std::vector<std::string> balloons;  // "title|text"
    int closes = 0;

    Result& result(oneclick::ScanCategory c) { return results[oneclick::Index(c)]; }
    bool detailsShown(oneclick::ScanCategory c) const { return details[oneclick::Index(c)]; }

    void setResult(oneclick::ScanCategory c, const std::string& text, bool highlight) override {
        results[oneclick::Index(c)] = {text, highlight};
    }
    void setDetailsVisible(oneclick::ScanCategory c, bool visible) override {
        details[oneclick::Index(c)] = visible;
    }
    void setCurrentCategory(std::optional<oneclick::ScanCategory> c) override { current = c; }
    void setBusy(bool b, core::StatusSink*) override { busy = b; }
    void setSummary(const std::string& text, bool visible) override {
        summary = text;
        summaryVisible = visible;
    }
    void setStartButton(const std::string& text, oneclick::StartTag t) override {
        startText = text;
        tag = t;
    }
    void setButtonsEnabled(bool start, bool cancel) override {
        startEnabled = start;
        cancelEnabled = cancel;
    }
    void setTrayAnimated(bool animated) override { trayAnimated = animated; }
    void showBalloon(const std::string& title, const std::string& text, int) override {
        balloons.push_back(title + "|" + text);
    }
    void closePage() override { ++closes; }
};

}  // namespace quorvel::testing
