#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "oneclick/CategoryTasks.h"
#include "oneclick/OneClickSettings.h"
#include "oneclick/OneClickView.h"
#include "registry/IgnoreLists.h"

namespace quorvel::oneclick {

// What the unattended pass did.
struct UnattendedResult {
    // The three report lines, and a fourth when the repair had to leave findings alone.
    std::vector<std::string> lines;
    std::string report;      // the lines joined by CR LF (the balloon text)
    bool repaired = false;   // the repair ran
    bool cancelled = false;  // the scan or the repair was cancelled
    // The page closes once the balloon goes away: nothing waits for a repair.
    bool closesAfterBalloon = false;
};

// The one-click pass: scans the ticked categories one after another, shows what each found,
// repairs on request after opening a backup entry, and runs the whole pass unattended. It runs
// on the UI thread; while a scanner or repair thread works it keeps the UI alive through the
// bridge, so cancel and other clicks arrive in the meantime. Exactly one worker exists at a time.
class OneClickRun {
public:
    // Every argument outlives the run. ignoreLists are reloaded at every start and read by the
    // registry scanner.
    OneClickRun(const core::Context& context, core::UiBridge& bridge, OneClickView& view,
                CategorySet& categories, registry::TGlobalReg& ignoreLists);
    // Cancels a running worker first. Never destroy the run from an event handled while its
    // pass waits (start() is still on the stack): cancel there, and destroy it once start() has
    // returned.
    ~OneClickRun();
    OneClickRun(const OneClickRun&) = delete;
    OneClickRun& operator=(const OneClickRun&) = delete;

    const Selection& selection() const { return selection_; }
    bool selected(ScanCategory c) const { return selection_[Index(c)]; }
    void setSelected(ScanCategory c, bool ticked) { selection_[Index(c)] = ticked; }
    void setSelection(const Selection& selection) { selection_ = selection; }

    // Puts the idle state on the view: the start button (Scan), the buttons' states, no summary.
    void showIdle();

    // The start button: reloads the ignore lists, then scans (tag Scan) or repairs (tag Repair).
    // Returns when the pass has ended or was cancelled. Does nothing while a pass runs.
    void start();
    // The cancel button, on the UI thread (also from inside the pass's waiting): stops the
    // running worker and waits for its end; the pass then stops after that category.
    void cancel();
    // Asks for a cancel from any thread (a signal handler too); the pass acts on it on the UI
    // thread within a few milliseconds.
    void requestCancel() { cancelAsked_.store(true, std::memory_order_relaxed); }

    // The pass started by /schedulestart: scans unless findings already wait, reports, repairs
    // when scanfix is set and something was found, then shows the report balloon (or closes the
    // page when the pass was cancelled).
    UnattendedResult runUnattended(bool scanfix);
    // The view's balloon went away (hidden, timed out or clicked): the page closes unless
    // findings wait for a repair.
    void balloonClosed();

    StartTag startTag() const { return tag_; }
    bool running() const { return running_; }
    // The sum of the finding counts of the last scan.
    std::int64_t problemTotal() const { return problemTotal_; }
    // The last pass (scan or repair) stopped at a cancel.
    bool lastPassCancelled() const { return lastCancelled_; }
    // The backup entry of the last repair that made one ("" before the first).
    const std::string& currentBackupId() const { return currentBackupId_; }
    // Why the last repair left categories alone ("" when it did not).
    const std::string& repairProblem() const { return repairProblem_; }
    core::StatusSink& status() { return status_; }

    // Registry + Shortcuts + Startup + Spyware findings: what a repair backs up.
    std::int64_t backedUpFindings() const;

private:
    void scan();
    void repair();
    bool startBackupEntry();
    // Starts worker (nullptr: none) and pumps until its end handler has run.
    void runWorker(std::unique_ptr<core::Worker> worker, std::function<void(core::Worker*)> onEnd);
    bool cancelSeen();
    void scanEnded(ScanCategory c, core::Worker* scanner);
    void repairEnded(ScanCategory c, core::Worker* repair);
    void setStart(int message, StartTag tag);
    CategoryTasks& tasks(ScanCategory c) { return *categories_[Index(c)]; }
    const CategoryTasks& tasks(ScanCategory c) const { return *categories_[Index(c)]; }
    std::string text(int id, std::string_view first = {}) const;

    const core::Context& context_;
    core::UiBridge& bridge_;
    OneClickView& view_;
    CategorySet& categories_;
    registry::TGlobalReg& ignoreLists_;
    core::StatusSink status_;
    std::string currentBackupId_;
    const RunTools tools_;

    Selection selection_ = DefaultSelection();
    StartTag tag_ = StartTag::Scan;
    std::unique_ptr<core::Worker> worker_;
    bool running_ = false;
    bool cancelFlag_ = false;
    bool lastCancelled_ = false;
    std::atomic<bool> cancelAsked_{false};
    std::int64_t problemTotal_ = 0;
    std::string repairProblem_;
};

// Whether the first command-line argument is /schedulestart (case-insensitive).
bool IsScheduleStart(const std::vector<std::string>& arguments);

}  // namespace quorvel::oneclick
