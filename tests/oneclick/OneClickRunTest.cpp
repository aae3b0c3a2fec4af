#include <gtest/gtest.h>

#include <thread>

#include "OneClickFakes.h"
#include "backup/BackupStore.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/settings/SettingsStore.h"
#include "core/threads/HeadlessUiBridge.h"
#include "oneclick/OneClickRun.h"
#include "support/MachineBuilder.h"

namespace quorvel::testing {
namespace {

using oneclick::ScanCategory;
using oneclick::StartTag;
using platform::RegValue;

// The run over six fake categories (Junk with its own repair rule) on a built machine.
class OneClickRunTest : public ::testing::Test {
protected:
    MachineBuilder builder;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine;
    core::TGlobalVars globals;
    core::LanguageTable language;
    core::ProtectedFolders protectedFolders;
    std::optional<core::Context> context;
    core::HeadlessUiBridge bridge;
    RecordingView view;
    registry::TGlobalReg ignoreLists;
    oneclick::CategorySet set;
    std::array<FakeCategory*, 6> fake{};
    std::unique_ptr<oneclick::OneClickRun> run;

    // Builds the machine (after the test planted settings) and the run.
    void make() {
        machine = builder.build();
        std::error_code error;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
        core::InitGlobals(*machine, error ? std::filesystem::current_path() : exe.parent_path(),
                          globals, language);
        context.emplace(core::Context{*machine, globals, language, protectedFolders});
        for (const ScanCategory c : oneclick::kAllCategories) {
            auto f = std::make_unique<FakeCategory>();
            f->junkRule = c == ScanCategory::Junk;
            fake[oneclick::Index(c)] = f.get();
            set[oneclick::Index(c)] = std::move(f);
        }
        run = std::make_unique<oneclick::OneClickRun>(*context, bridge, view, set, ignoreLists);
        run->showIdle();
    }
    FakeCategory& cat(ScanCategory c) { return *fake[oneclick::Index(c)]; }
    void only(std::initializer_list<ScanCategory> ticked) {
        oneclick::Selection s{};
        for (const auto c : ticked)
            s[oneclick::Index(c)] = true;
        run->setSelection(s);
    }
    std::vector<backup::BackupEntry> backupEntries() {
        return backup::BackupStore(machine->fileSystem(), globals.BackupsDir).entries();
    }
    // A file stands where the backup folder's parent should be: no backup can start.
    void blockBackups() {
        ASSERT_TRUE(machine->fileSystem().writeFile("C:\\blocked", "not a folder").isOk());
        globals.BackupsDir = "C:\\blocked\\Backups\\";
    }
};

// --- Scan ---

TEST_F(OneClickRunTest, NothingTickedScansAndRepairsNothing) {
    make();
    only({});
    cat(ScanCategory::Registry).list = {1};
    run->start();
    EXPECT_EQ(cat(ScanCategory::Registry).clears, 0);  // lists untouched
    EXPECT_EQ(cat(ScanCategory::Registry).scansCreated, 0);
    EXPECT_FALSE(view.summaryVisible);
    EXPECT_EQ(run->startTag(), StartTag::Scan);

    // Unticked between the scan and the repair: nothing is repaired, the pass completes.
    only({ScanCategory::Registry});
    cat(ScanCategory::Registry).planted = {0};
    run->start();
    ASSERT_EQ(run->startTag(), StartTag::Repair);
    only({});
    run->start();
    EXPECT_EQ(cat(ScanCategory::Registry).repairsCreated, 0);
    EXPECT_EQ(cat(ScanCategory::Registry).list.size(), 1u);
    EXPECT_EQ(view.summary, "Repair complete");
    EXPECT_EQ(run->startTag(), StartTag::Scan);
}

TEST_F(OneClickRunTest, OnlyJunkTickedAndNothingFound) {
    make();
    only({ScanCategory::Junk});
    cat(ScanCategory::Registry).list = {5};  // left over from an earlier scan
    run->start();
    EXPECT_EQ(view.result(ScanCategory::Junk).text, "No junk files found");
    EXPECT_FALSE(view.result(ScanCategory::Junk).highlight);
    EXPECT_EQ(run->problemTotal(), 0);
    EXPECT_EQ(view.tag, StartTag::Scan);
    EXPECT_EQ(view.summary, "No problems found");
    EXPECT_TRUE(view.summaryVisible);
    // Every list is emptied, ticked or not; only ticked categories scan.
    for (const auto c : oneclick::kAllCategories)
        EXPECT_EQ(cat(c).clears, 1);
    EXPECT_EQ(cat(ScanCategory::Registry).scansCreated, 0);
}

TEST_F(OneClickRunTest, ResultTextsColoursAndTotal) {
    make();
    only({ScanCategory::Registry, ScanCategory::Shortcuts, ScanCategory::Startup,
          ScanCategory::Junk, ScanCategory::Spyware});
    cat(ScanCategory::Registry).planted = {0};
    cat(ScanCategory::Shortcuts).planted = {0, 0, 0};
    cat(ScanCategory::Junk).planted = {0, 2048};    // two junk groups, 2 KB
    cat(ScanCategory::Spyware).hasScanner = false;  // not built yet: nothing found
    view.result(ScanCategory::Tracks) = {"untouched", false};
    run->start();

    EXPECT_EQ(view.result(ScanCategory::Registry).text, "1 problem found");
    EXPECT_TRUE(view.result(ScanCategory::Registry).highlight);
    EXPECT_TRUE(view.detailsShown(ScanCategory::Registry));
    EXPECT_EQ(view.result(ScanCategory::Shortcuts).text, "3 problems found");
    EXPECT_EQ(view.result(ScanCategory::Startup).text, "No problems found");
    EXPECT_FALSE(view.result(ScanCategory::Startup).highlight);
    EXPECT_FALSE(view.detailsShown(ScanCategory::Startup));
    EXPECT_NE(view.result(ScanCategory::Junk).text.find("of junk files found"), std::string::npos);
    EXPECT_TRUE(view.result(ScanCategory::Junk).highlight);
    EXPECT_EQ(view.result(ScanCategory::Spyware).text, "No problems found");
    EXPECT_EQ(view.result(ScanCategory::Tracks).text, "untouched");
    // 1 + 3 + 0 + two junk records.
    EXPECT_EQ(run->problemTotal(), 6);
    EXPECT_EQ(view.tag, StartTag::Repair);
    EXPECT_EQ(view.startText, "Repair Problems");
    EXPECT_EQ(view.summary, "Click Repair Problems to continue.");
    EXPECT_FALSE(view.current.has_value());

    // After the repair, a scan that finds nothing hides the category's details link again.
    run->start();
    EXPECT_EQ(view.tag, StartTag::Scan);
    cat(ScanCategory::Registry).planted = {};
    run->start();
    EXPECT_EQ(view.result(ScanCategory::Registry).text, "No problems found");
    EXPECT_FALSE(view.detailsShown(ScanCategory::Registry));
}

TEST_F(OneClickRunTest, CancelDuringThirdCategoryKeepsLaterLabels) {
    make();
    only({ScanCategory::Registry, ScanCategory::Shortcuts, ScanCategory::Startup,
          ScanCategory::Junk, ScanCategory::Tracks, ScanCategory::Spyware});
    for (const auto c : {ScanCategory::Junk, ScanCategory::Tracks, ScanCategory::Spyware}) {
        view.result(c) = {"previous", true};
    }
    cat(ScanCategory::Registry).planted = {0, 0};
    cat(ScanCategory::Startup).scanWaitsForStop = true;
    // The user presses Cancel while the third scanner runs (a click arrives through the loop).
    cat(ScanCategory::Startup).onScanStart = [this] { bridge.post([this] { run->cancel(); }); };
    run->start();

    EXPECT_TRUE(run->lastPassCancelled());
    EXPECT_EQ(view.result(ScanCategory::Registry).text, "2 problems found");
    EXPECT_EQ(cat(ScanCategory::Registry).list.size(), 2u);  // results already shown stay
    // The stopped scanner's end handler still ran.
    EXPECT_EQ(view.result(ScanCategory::Startup).text, "No problems found");
    for (const auto c : {ScanCategory::Junk, ScanCategory::Tracks, ScanCategory::Spyware}) {
        EXPECT_EQ(view.result(c).text, "previous");
        EXPECT_EQ(cat(c).scansCreated, 0);
    }
    EXPECT_EQ(view.startText, "Scan");
    EXPECT_EQ(view.tag, StartTag::Scan);
    EXPECT_TRUE(view.startEnabled);
    EXPECT_FALSE(view.cancelEnabled);
    EXPECT_FALSE(view.busy);
    EXPECT_FALSE(view.summaryVisible);
}

TEST_F(OneClickRunTest, CancelRequestedFromAnotherThreadStopsTheRunningScanner) {
    make();
    only({ScanCategory::Registry, ScanCategory::Shortcuts});
    cat(ScanCategory::Registry).scanWaitsForStop = true;
    std::jthread canceller;
    cat(ScanCategory::Registry).onScanStart = [&] {
        canceller = std::jthread([this] { run->requestCancel(); });
    };
    run->start();
    EXPECT_TRUE(run->lastPassCancelled());
    EXPECT_EQ(cat(ScanCategory::Shortcuts).scansCreated, 0);
    // The next pass is not cancelled by the old request.
    cat(ScanCategory::Registry).scanWaitsForStop = false;
    cat(ScanCategory::Registry).onScanStart = nullptr;
    run->start();
    EXPECT_FALSE(run->lastPassCancelled());
    EXPECT_EQ(cat(ScanCategory::Shortcuts).scansCreated, 1);
}

// --- Repair ---

TEST_F(OneClickRunTest, RepairSkipsCategoriesWithNothingToRepairAndBacksUp) {
    make();
    only({ScanCategory::Registry, ScanCategory::Shortcuts, ScanCategory::Junk});
    cat(ScanCategory::Registry).planted = {0, 0};
    cat(ScanCategory::Junk).planted = {0};  // a junk record of size 0: nothing to delete
    run->start();
    ASSERT_EQ(view.tag, StartTag::Repair);
    run->start();

    EXPECT_EQ(cat(ScanCategory::Registry).repairsCreated, 1);
    EXPECT_EQ(cat(ScanCategory::Shortcuts).repairsCreated, 0);
    EXPECT_EQ(cat(ScanCategory::Junk).repairsCreated, 0);
    EXPECT_EQ(view.result(ScanCategory::Registry).text, "Repair complete");
    EXPECT_FALSE(view.detailsShown(ScanCategory::Registry));
    EXPECT_EQ(view.summary, "Repair complete");
    EXPECT_EQ(view.tag, StartTag::Scan);

    // The repair thread was handed the entry's id; the entry is listed once a category has
    // written its file into it (these stand-in repairs write none).
    EXPECT_FALSE(run->currentBackupId().empty());
    EXPECT_EQ(cat(ScanCategory::Registry).backupIdAtRepair, run->currentBackupId());
    EXPECT_TRUE(backupEntries().empty());
}

TEST_F(OneClickRunTest, NoBackupEntryForJunkAndTracksOnlyOrWithBackupsOff) {
    make();
    only({ScanCategory::Junk, ScanCategory::Tracks});
    cat(ScanCategory::Junk).planted = {4096};
    cat(ScanCategory::Tracks).planted = {0};
    run->start();
    run->start();
    EXPECT_EQ(cat(ScanCategory::Junk).repairsCreated, 1);
    EXPECT_EQ(cat(ScanCategory::Tracks).repairsCreated, 1);
    EXPECT_EQ(view.result(ScanCategory::Junk).text, "Junk files deleted");
    EXPECT_EQ(view.result(ScanCategory::Tracks).text, "Privacy tracks erased");
    EXPECT_TRUE(backupEntries().empty());
    EXPECT_EQ(run->currentBackupId(), "");

    // Backups of the one-click pass switched off: the registry repair runs without an entry.
    core::SettingsStore(machine->registry())
        .writeBool(platform::RootKey::CurrentUser,
                   "\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings\\AvailableModules",
                   "OneClick", false);
    only({ScanCategory::Registry});
    cat(ScanCategory::Registry).planted = {0};
    run->start();
    run->start();
    EXPECT_EQ(cat(ScanCategory::Registry).repairsCreated, 1);
    EXPECT_TRUE(backupEntries().empty());
}

TEST_F(OneClickRunTest, BackupThatCannotStartLeavesBackedUpFindingsAlone) {
    make();
    blockBackups();
    only({ScanCategory::Registry, ScanCategory::Junk});
    cat(ScanCategory::Registry).planted = {0};
    cat(ScanCategory::Junk).planted = {100};
    run->start();
    run->start();
    EXPECT_EQ(cat(ScanCategory::Registry).repairsCreated, 0);
    EXPECT_EQ(cat(ScanCategory::Registry).list.size(), 1u);
    EXPECT_EQ(cat(ScanCategory::Junk).repairsCreated, 1);  // needs no backup
    EXPECT_NE(view.summary, "Repair complete");
    EXPECT_FALSE(run->repairProblem().empty());

    // Unattended, the balloon and the report say what was left.
    const auto result = run->runUnattended(true);
    EXPECT_EQ(cat(ScanCategory::Registry).repairsCreated, 0);
    ASSERT_EQ(result.lines.size(), 4u);
    EXPECT_EQ(result.lines[3], run->repairProblem());
    ASSERT_EQ(view.balloons.size(), 1u);
    EXPECT_NE(view.balloons[0].find(run->repairProblem()), std::string::npos);
}

// --- Unattended ---

TEST_F(OneClickRunTest, UnattendedScanOnlyReportsAndStays) {
    make();
    only({ScanCategory::Registry, ScanCategory::Junk, ScanCategory::Tracks});
    cat(ScanCategory::Registry).planted = {0, 0, 0};
    cat(ScanCategory::Junk).planted = {1024};
    cat(ScanCategory::Tracks).planted = {0, 0};
    const auto result = run->runUnattended(false);

    ASSERT_EQ(result.lines.size(), 3u);
    EXPECT_EQ(result.lines[0], "3 problems found");
    EXPECT_EQ(result.lines[1], "2 privacy tracks found");
    EXPECT_NE(result.lines[2].find(" of junk files found"), std::string::npos);
    EXPECT_EQ(result.report, result.lines[0] + "\r\n" + result.lines[1] + "\r\n" + result.lines[2]);
    EXPECT_FALSE(result.repaired);
    EXPECT_EQ(cat(ScanCategory::Registry).repairsCreated, 0);
    ASSERT_EQ(view.balloons.size(), 1u);
    EXPECT_EQ(view.balloons[0], "One-Click Maintenance|" + result.report);
    EXPECT_FALSE(view.trayAnimated);
    EXPECT_FALSE(result.closesAfterBalloon);
    run->balloonClosed();
    EXPECT_EQ(view.closes, 0);  // findings wait for a repair
}

TEST_F(OneClickRunTest, UnattendedScanAndRepairReportsAndCloses) {
    make();
    only({ScanCategory::Registry, ScanCategory::Junk});
    cat(ScanCategory::Registry).planted = {0, 0};
    cat(ScanCategory::Junk).planted = {1024};
    const auto result = run->runUnattended(true);

    EXPECT_EQ(result.lines[0], "2 problems repaired");
    EXPECT_EQ(result.lines[1], "0 privacy tracks erased");
    EXPECT_NE(result.lines[2].find(" of disk space recovered"), std::string::npos);
    EXPECT_TRUE(result.repaired);
    EXPECT_EQ(cat(ScanCategory::Registry).repairsCreated, 1);
    EXPECT_EQ(cat(ScanCategory::Junk).repairsCreated, 1);
    EXPECT_FALSE(run->currentBackupId().empty());
    EXPECT_TRUE(result.closesAfterBalloon);
    EXPECT_EQ(view.closes, 0);
    run->balloonClosed();
    EXPECT_EQ(view.closes, 1);
}

TEST_F(OneClickRunTest, UnattendedWithNothingFoundOrCancelled) {
    make();
    only({ScanCategory::Registry});
    auto result = run->runUnattended(true);
    EXPECT_FALSE(result.repaired);
    EXPECT_EQ(result.lines[0], "0 problems repaired");
    EXPECT_TRUE(result.closesAfterBalloon);

    cat(ScanCategory::Registry).scanWaitsForStop = true;
    cat(ScanCategory::Registry).onScanStart = [this] { bridge.post([this] { run->cancel(); }); };
    view.balloons.clear();
    result = run->runUnattended(true);
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(view.balloons.empty());  // a cancelled pass closes without a balloon
    EXPECT_EQ(view.closes, 1);
}

TEST(ScheduleStart, FirstArgumentOnlyIgnoringCase) {
    EXPECT_TRUE(oneclick::IsScheduleStart({"/SCHEDULESTART"}));
    EXPECT_TRUE(oneclick::IsScheduleStart({"/schedulestart", "x"}));
    EXPECT_FALSE(oneclick::IsScheduleStart({"x", "/schedulestart"}));
    EXPECT_FALSE(oneclick::IsScheduleStart({}));
    EXPECT_FALSE(oneclick::IsScheduleStart({"/schedulestarts"}));
}

}  // namespace
}  // namespace quorvel::testing
