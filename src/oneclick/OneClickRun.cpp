#include "oneclick/OneClickRun.h"

#include <algorithm>

#include "backup/BackupStore.h"
#include "core/paths/PathUtils.h"
#include "core/settings/ModuleBackup.h"
#include "oneclick/Messages.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::oneclick {
namespace {

// Categories whose repair first writes a category file into the backup entry.
constexpr std::array<ScanCategory, 4> kBackedUp{ScanCategory::Registry, ScanCategory::Shortcuts,
                                                ScanCategory::Startup, ScanCategory::Spyware};

// Resets a flag when the scope ends, however it ends.
class RunningScope {
public:
    explicit RunningScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningScope() { flag_ = false; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

OneClickRun::OneClickRun(const core::Context& context, core::UiBridge& bridge, OneClickView& view,
                         CategorySet& categories, registry::TGlobalReg& ignoreLists)
    : context_(context),
      bridge_(bridge),
      view_(view),
      categories_(categories),
      ignoreLists_(ignoreLists),
      tools_{context, bridge, status_, currentBackupId_} {
    for (auto& c : categories_) {
        if (!c) c = std::make_unique<PendingCategory>();
    }
}

OneClickRun::~OneClickRun() {
    cancel();
}

std::string OneClickRun::text(int id, std::string_view first) const {
    return Text(context_.language, id, first);
}

void OneClickRun::setStart(int message, StartTag tag) {
    tag_ = tag;
    view_.setStartButton(text(message), tag);
}

void OneClickRun::showIdle() {
    view_.setBusy(false, nullptr);
    view_.setButtonsEnabled(true, false);
    view_.setSummary({}, false);
    setStart(msg::Scan, StartTag::Scan);
}

void OneClickRun::start() {
    if (running_) return;
    registry::LoadIgnoreLists(context_, ignoreLists_);
    if (tag_ == StartTag::Repair) {
        repair();
    } else {
        scan();
    }
}

void OneClickRun::cancel() {
    cancelFlag_ = true;
    if (worker_) worker_->cancelAndWait();
}

bool OneClickRun::cancelSeen() {
    if (cancelAsked_.exchange(false, std::memory_order_relaxed)) cancelFlag_ = true;
    return cancelFlag_;
}

void OneClickRun::runWorker(std::unique_ptr<core::Worker> worker,
                            std::function<void(core::Worker*)> onEnd) {
    if (!worker) {
        onEnd(nullptr);
        return;
    }
    worker_ = std::move(worker);
    worker_->start([this, onEnd = std::move(onEnd)] {
        // The notification runs once; the worker goes away with it.
        auto ended = std::move(worker_);
        onEnd(ended.get());
    });
    bridge_.pumpUntil([this] {
        if (cancelSeen() && worker_) worker_->requestStop();
        return !worker_;
    });
}

void OneClickRun::scan() {
    bool any = false;
    for (const bool ticked : selection_)
        any = any || ticked;
    if (!any) return;

    RunningScope scope(running_);
    cancelFlag_ = false;
    cancelAsked_.store(false, std::memory_order_relaxed);
    lastCancelled_ = false;
    view_.setButtonsEnabled(false, true);
    problemTotal_ = 0;
    status_.publish(text(msg::PleaseWait), 0);
    view_.setBusy(true, &status_);
    view_.setSummary({}, false);
    for (auto& c : categories_)
        c->clearFindings();

    for (const ScanCategory c : kAllCategories) {
        if (selected(c)) {
            view_.setCurrentCategory(c);
            view_.setResult(c, text(msg::Analyzing), false);
            status_.publishPosition(0);
            runWorker(tasks(c).createScanner(tools_),
                      [this, c](core::Worker* scanner) { scanEnded(c, scanner); });
        }
        if (cancelSeen()) {
            lastCancelled_ = true;
            view_.setBusy(false, nullptr);
            view_.setButtonsEnabled(true, false);
            setStart(msg::Scan, StartTag::Scan);
            return;
        }
    }

    view_.setBusy(false, nullptr);
    view_.setButtonsEnabled(true, false);
    if (problemTotal_ != 0) {
        view_.setSummary(text(msg::ClickRepair), true);
        setStart(msg::RepairProblems, StartTag::Repair);
    } else {
        view_.setSummary(text(msg::NoProblems), true);
        setStart(msg::Scan, StartTag::Scan);
    }
}

void OneClickRun::scanEnded(ScanCategory c, core::Worker* scanner) {
    CategoryTasks& t = tasks(c);
    if (scanner) t.scanEnded(*scanner);
    view_.setCurrentCategory(std::nullopt);

    bool found = false;
    if (c == ScanCategory::Junk) {
        const std::int64_t size = t.sizeSum();
        found = size > 0;
        view_.setResult(c, found ? text(msg::JunkFound, core::FormatSize(size)) : text(msg::NoJunk),
                        found);
        problemTotal_ += t.listCount();
    } else {
        const std::int64_t n = t.resultCount();
        found = n >= 1;
        if (n < 1) {
            view_.setResult(c, text(msg::NoProblems), false);
        } else if (n == 1) {
            view_.setResult(c, text(msg::OneProblem), true);
        } else {
            view_.setResult(c, text(msg::Problems, std::to_string(n)), true);
        }
        problemTotal_ += n > 0 ? n : 0;
    }
    view_.setDetailsVisible(c, found);
}

std::int64_t OneClickRun::backedUpFindings() const {
    std::int64_t sum = 0;
    for (const ScanCategory c : kBackedUp)
        sum += tasks(c).listCount();
    return sum;
}

bool OneClickRun::startBackupEntry() {
    if (!core::ModuleBackupEnabled(context_.machine.registry(), "OneClick")) return true;
    if (backedUpFindings() <= 0) return true;
    if (context_.globals.BackupsDir.empty()) {
        repairProblem_ = "No backup folder is known; nothing that needs a backup was repaired.";
        return false;
    }
    backup::BackupStore store(context_.machine.fileSystem(), context_.globals.BackupsDir);
    auto entry = store.startOneClickEntry();
    if (!entry) {
        repairProblem_ = "The backup entry could not be created (" + entry.status().message() +
                         "); nothing that needs a backup was repaired.";
        return false;
    }
    currentBackupId_ = *entry;
    return true;
}

void OneClickRun::repair() {
    RunningScope scope(running_);
    cancelFlag_ = false;
    cancelAsked_.store(false, std::memory_order_relaxed);
    lastCancelled_ = false;
    repairProblem_.clear();
    view_.setButtonsEnabled(false, true);
    status_.publish(text(msg::PleaseWait), 0);
    view_.setBusy(true, &status_);
    view_.setSummary({}, false);

    // Nothing is changed while another program changes the machine; the lock is kept until
    // every category has saved.
    auto writeLock = context_.machine.lockForWriting();
    if (!writeLock) {
        repairProblem_ = writeLock.status().message();
        view_.setBusy(false, nullptr);
        view_.setButtonsEnabled(true, false);
        view_.setSummary(repairProblem_, true);
        return;
    }

    // Without its backup entry a backing-up category is not repaired: its findings stay, and
    // so does what they point at.
    const bool backupReady = startBackupEntry();

    for (const ScanCategory c : kAllCategories) {
        const bool needsBackup =
            std::find(kBackedUp.begin(), kBackedUp.end(), c) != kBackedUp.end();
        if (selected(c) && tasks(c).hasSomethingToRepair() && (backupReady || !needsBackup)) {
            if (auto worker = tasks(c).createRepair(tools_)) {
                view_.setCurrentCategory(c);
                const int working = c == ScanCategory::Junk     ? msg::Cleaning
                                    : c == ScanCategory::Tracks ? msg::Erasing
                                                                : msg::Repairing;
                view_.setResult(c, text(working), false);
                status_.publishPosition(0);
                runWorker(std::move(worker),
                          [this, c](core::Worker* repair) { repairEnded(c, repair); });
            }
        }
        if (cancelSeen()) {
            lastCancelled_ = true;
            break;
        }
    }

    view_.setBusy(false, nullptr);
    view_.setButtonsEnabled(true, false);
    view_.setSummary(repairProblem_.empty() ? text(msg::RepairComplete) : repairProblem_, true);
    setStart(msg::Scan, StartTag::Scan);
}

void OneClickRun::repairEnded(ScanCategory c, core::Worker* repair) {
    view_.setCurrentCategory(std::nullopt);
    if (repair) {
        if (std::string problem = tasks(c).repairEnded(*repair); !problem.empty()) {
            if (!repairProblem_.empty()) repairProblem_ += " ";
            repairProblem_ += problem;
        }
    }
    const int done = c == ScanCategory::Junk     ? msg::JunkDeleted
                     : c == ScanCategory::Tracks ? msg::TracksErased
                                                 : msg::RepairComplete;
    view_.setResult(c, text(done), false);
    view_.setDetailsVisible(c, false);
}

UnattendedResult OneClickRun::runUnattended(bool scanfix) {
    UnattendedResult result;
    view_.setTrayAnimated(true);
    if (tag_ != StartTag::Repair) start();
    const bool scanCancelled = lastCancelled_;

    const std::int64_t p = backedUpFindings();
    const std::int64_t t = tasks(ScanCategory::Tracks).listCount();
    const std::string s = core::FormatSize(tasks(ScanCategory::Junk).sizeSum());
    if (scanfix) {
        result.lines = {text(msg::ProblemsRepaired, std::to_string(p)),
                        text(msg::TracksErasedCount, std::to_string(t)),
                        text(msg::SpaceRecovered, s)};
    } else {
        result.lines = {text(msg::Problems, std::to_string(p)),
                        text(msg::TracksFound, std::to_string(t)), text(msg::JunkFound, s)};
    }

    if (!scanCancelled && tag_ == StartTag::Repair && scanfix) {
        start();
        result.repaired = true;
        // A repair that left findings alone says so instead of claiming them repaired.
        if (!repairProblem_.empty()) result.lines.push_back(repairProblem_);
    }
    for (const auto& line : result.lines) {
        if (!result.report.empty()) result.report += "\r\n";
        result.report += line;
    }
    view_.setTrayAnimated(false);
    result.cancelled = scanCancelled || lastCancelled_;
    if (result.cancelled) {
        result.closesAfterBalloon = true;
        view_.closePage();
        return result;
    }
    result.closesAfterBalloon = tag_ != StartTag::Repair;
    view_.showBalloon(text(msg::OneClickTitle), result.report, 20);
    return result;
}

void OneClickRun::balloonClosed() {
    if (tag_ != StartTag::Repair && !running_) view_.closePage();
}

bool IsScheduleStart(const std::vector<std::string>& arguments) {
    return !arguments.empty() && platform::text::iequals(arguments.front(), "/schedulestart");
}

}  // namespace quorvel::oneclick
