#include <gtest/gtest.h>

#include <thread>

#include "OneClickFakes.h"
#include "backup/BackupStore.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/paths/FormatSize.h"
#include "core/settings/SettingsStore.h"
#include "core/threads/HeadlessUiBridge.h"
#include "oneclick/OneClickRun.h"
#include "support/MachineBuilder.h"

namespace quorvel::testing {
namespace {

using oneclick::StartTag;
constexpr auto Reg = oneclick::ScanCategory::Registry, Lnk = oneclick::ScanCategory::Shortcuts,
               Boot = oneclick::ScanCategory::Startup, Junk = oneclick::ScanCategory::Junk,
               Tracks = oneclick::ScanCategory::Tracks, Spy = oneclick::ScanCategory::Spyware;

// The run over six fake categories (Junk with its own repair rule) on a built machine.
class OneClickRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine = builder.build();
        core::InitGlobals(*machine, std::filesystem::read_symlink("/proc/self/exe").parent_path(),
                          globals, language);
        context.emplace(core::Context{*machine, globals, language, protectedFolders});
        for (const auto c : oneclick::kAllCategories) {
            auto f = std::make_unique<FakeCategory>();
            f->junkRule = c == Junk;
            fake[oneclick::Index(c)] = f.get();
            set[oneclick::Index(c)] = std::move(f);
        }
        run = std::make_unique<oneclick::OneClickRun>(*context, bridge, view, set, ignoreLists);
        run->showIdle();
    }
    FakeCategory& cat(oneclick::ScanCategory c) { return *fake[oneclick::Index(c)]; }
    const std::string& text(oneclick::ScanCategory c) { return view.result(c).text; }
    // Each category's result, "*" when highlighted, "+" with its details link, "|" after each.
    std::string shown() {
        std::string out;
        for (const auto c : oneclick::kAllCategories)
            out += text(c) + (view.result(c).highlight ? "*" : "") +
                   (view.detailsShown(c) ? "+" : "") + "|";
        return out;
    }
    // Ticks only `ticked`; plants `found` in the categories in the same order.
    void only(std::initializer_list<oneclick::ScanCategory> ticked,
              std::initializer_list<std::vector<std::int64_t>> found = {}) {
        oneclick::Selection s{};
        for (const auto c : ticked)
            s[oneclick::Index(c)] = true;
        run->setSelection(s);
        auto f = found.begin();
        for (auto c = ticked.begin(); f != found.end(); ++c, ++f)
            cat(*c).planted = *f;
    }
    // The user presses Cancel while c's scanner runs (a click arrives through the loop).
    void cancelDuringScanOf(oneclick::ScanCategory c) {
        cat(c).scanWaitsForStop = true;
        cat(c).onScanStart = [this] { bridge.post([this] { run->cancel(); }); };
    }
    bool noBackupEntries() {
        return backup::BackupStore(machine->fileSystem(), globals.BackupsDir).entries().empty();
    }

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
};

// --- Scan ---

TEST_F(OneClickRunTest, NothingTickedScansAndRepairsNothing) {
    only({});
    cat(Reg).list = {1};
    run->start();
    EXPECT_EQ(cat(Reg).clears + cat(Reg).scansCreated, 0);  // lists untouched
    EXPECT_FALSE(view.summaryVisible);
    EXPECT_EQ(run->startTag(), StartTag::Scan);

    // Unticked between the scan and the repair: nothing is repaired, the pass completes.
    only({Reg}, {{0}});
    run->start();
    ASSERT_EQ(run->startTag(), StartTag::Repair);
    only({});
    run->start();
    EXPECT_EQ(cat(Reg).repairsCreated, 0);
    EXPECT_EQ(cat(Reg).list.size(), 1u);
    EXPECT_EQ(view.summary, "Repair complete");
    EXPECT_EQ(run->startTag(), StartTag::Scan);
}

TEST_F(OneClickRunTest, OnlyJunkTickedAndNothingFound) {
    only({Junk});
    cat(Reg).list = {5};  // left over from an earlier scan
    run->start();
    EXPECT_EQ(text(Junk), "No junk files found");
    EXPECT_FALSE(view.result(Junk).highlight);
    EXPECT_EQ(run->problemTotal(), 0);
    EXPECT_EQ(view.tag, StartTag::Scan);
    EXPECT_EQ(view.summary, "No problems found");
    EXPECT_TRUE(view.summaryVisible);
    // Every list is emptied, ticked or not; only ticked categories scan.
    for (const auto c : oneclick::kAllCategories)
        EXPECT_EQ(cat(c).clears, 1);
    EXPECT_EQ(cat(Reg).scansCreated, 0);
}

TEST_F(OneClickRunTest, ResultTextsColoursAndTotal) {
    // Two junk groups of 2 KB; Spyware's scanner is not built yet: nothing found.
    only({Reg, Lnk, Boot, Junk, Spy}, {{0}, {0, 0, 0}, {}, {0, 2048}});
    cat(Spy).hasScanner = false;
    view.result(Tracks) = {"untouched", false};
    run->start();

    EXPECT_EQ(shown(), "1 problem found*+|3 problems found*+|No problems found|" +
                           core::FormatSize(2048) +
                           " of junk files found*+|untouched|No problems found|");
    EXPECT_EQ(run->problemTotal(), 6);  // 1 + 3 + 0 + two junk records
    EXPECT_EQ(view.tag, StartTag::Repair);
    EXPECT_EQ(view.startText, "Repair Problems");
    EXPECT_EQ(view.summary, "Click Repair Problems to continue.");
    EXPECT_FALSE(view.current.has_value());

    // After the repair, a scan that finds nothing hides the category's details link again.
    run->start();
    EXPECT_EQ(view.tag, StartTag::Scan);
    cat(Reg).planted = {};
    run->start();
    EXPECT_EQ(shown().substr(0, 18), "No problems found|");
}

TEST_F(OneClickRunTest, CancelDuringThirdCategoryKeepsLaterLabels) {
    only({Reg, Lnk, Boot, Junk, Tracks, Spy}, {{0, 0}});
    for (const auto c : {Junk, Tracks, Spy})
        view.result(c) = {"previous", true};
    cancelDuringScanOf(Boot);
    run->start();

    EXPECT_TRUE(run->lastPassCancelled());
    // Results already shown stay; the stopped scanner's end handler still ran.
    EXPECT_EQ(shown(),
              "2 problems found*+|No problems found|No problems found|previous*|previous*|"
              "previous*|");
    EXPECT_EQ(cat(Reg).list.size(), 2u);
    EXPECT_EQ(cat(Junk).scansCreated + cat(Tracks).scansCreated + cat(Spy).scansCreated, 0);
    EXPECT_EQ(view.startText, "Scan");
    EXPECT_EQ(view.tag, StartTag::Scan);
    EXPECT_TRUE(view.startEnabled);
    EXPECT_FALSE(view.cancelEnabled || view.busy || view.summaryVisible);
}

TEST_F(OneClickRunTest, CancelRequestedFromAnotherThreadStopsTheRunningScanner) {
    only({Reg, Lnk});
    cat(Reg).scanWaitsForStop = true;
    std::jthread canceller;
    cat(Reg).onScanStart = [&] { canceller = std::jthread([this] { run->requestCancel(); }); };
    run->start();
    EXPECT_TRUE(run->lastPassCancelled());
    EXPECT_EQ(cat(Lnk).scansCreated, 0);
    // The next pass is not cancelled by the old request.
    cat(Reg).scanWaitsForStop = false;
    cat(Reg).onScanStart = nullptr;
    run->start();
    EXPECT_FALSE(run->lastPassCancelled());
    EXPECT_EQ(cat(Lnk).scansCreated, 1);
}

// --- Repair ---

TEST_F(OneClickRunTest, RepairSkipsCategoriesWithNothingToRepairAndBacksUp) {
    only({Reg, Lnk, Junk}, {{0, 0}, {}, {0}});  // a junk record of size 0: nothing to delete
    run->start();
    ASSERT_EQ(view.tag, StartTag::Repair);
    run->start();

    EXPECT_EQ(cat(Reg).repairsCreated, 1);
    EXPECT_EQ(cat(Lnk).repairsCreated + cat(Junk).repairsCreated, 0);
    EXPECT_EQ(text(Reg), "Repair complete");
    EXPECT_FALSE(view.detailsShown(Reg));
    EXPECT_EQ(view.summary, "Repair complete");
    EXPECT_EQ(view.tag, StartTag::Scan);
    // The repair thread was handed the entry's id; the entry is listed once a category has
    // written its file into it (these stand-in repairs write none).
    EXPECT_FALSE(run->currentBackupId().empty());
    EXPECT_EQ(cat(Reg).backupIdAtRepair, run->currentBackupId());
    EXPECT_TRUE(noBackupEntries());
}

TEST_F(OneClickRunTest, NoBackupEntryForJunkAndTracksOnlyOrWithBackupsOff) {
    only({Junk, Tracks}, {{4096}, {0}});
    run->start();
    run->start();
    EXPECT_EQ(cat(Junk).repairsCreated + cat(Tracks).repairsCreated, 2);
    EXPECT_EQ(text(Junk), "Junk files deleted");
    EXPECT_EQ(text(Tracks), "Privacy tracks erased");
    EXPECT_TRUE(noBackupEntries());
    EXPECT_EQ(run->currentBackupId(), "");

    // Backups of the one-click pass switched off: the registry repair runs without an entry.
    core::SettingsStore(machine->registry())
        .writeBool(platform::RootKey::CurrentUser,
                   "\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings\\AvailableModules",
                   "OneClick", false);
    only({Reg}, {{0}});
    run->start();
    run->start();
    EXPECT_EQ(cat(Reg).repairsCreated, 1);
    EXPECT_TRUE(noBackupEntries());
}

TEST_F(OneClickRunTest, BackupThatCannotStartLeavesBackedUpFindingsAlone) {
    // A file stands where the backup folder's parent should be: no backup can start.
    ASSERT_TRUE(machine->fileSystem().writeFile("C:\\blocked", "not a folder").isOk());
    globals.BackupsDir = "C:\\blocked\\Backups\\";
    only({Reg, Junk}, {{0}, {100}});
    run->start();
    run->start();
    EXPECT_EQ(cat(Reg).repairsCreated, 0);
    EXPECT_EQ(cat(Reg).list.size(), 1u);
    EXPECT_EQ(cat(Junk).repairsCreated, 1);  // needs no backup
    EXPECT_NE(view.summary, "Repair complete");
    EXPECT_FALSE(run->repairProblem().empty());

    // Unattended, the balloon and the report say what was left.
    const auto result = run->runUnattended(true);
    EXPECT_EQ(cat(Reg).repairsCreated, 0);
    ASSERT_EQ(result.lines.size(), 4u);
    EXPECT_EQ(result.lines[3], run->repairProblem());
    ASSERT_EQ(view.balloons.size(), 1u);
    EXPECT_NE(view.balloons[0].find(run->repairProblem()), std::string::npos);
}

// --- Unattended ---

TEST_F(OneClickRunTest, UnattendedScanOnlyReportsAndStays) {
    only({Reg, Junk, Tracks}, {{0, 0, 0}, {1024}, {0, 0}});
    const auto result = run->runUnattended(false);
    ASSERT_EQ(result.lines.size(), 3u);
    EXPECT_EQ(result.lines[0], "3 problems found");
    EXPECT_EQ(result.lines[1], "2 privacy tracks found");
    EXPECT_NE(result.lines[2].find(" of junk files found"), std::string::npos);
    EXPECT_EQ(result.report, result.lines[0] + "\r\n" + result.lines[1] + "\r\n" + result.lines[2]);
    EXPECT_FALSE(result.repaired || result.closesAfterBalloon || view.trayAnimated);
    EXPECT_EQ(cat(Reg).repairsCreated, 0);
    EXPECT_EQ(view.balloons, std::vector<std::string>{"One-Click Maintenance|" + result.report});
    run->balloonClosed();
    EXPECT_EQ(view.closes, 0);  // findings wait for a repair
}

TEST_F(OneClickRunTest, UnattendedScanAndRepairReportsAndCloses) {
    only({Reg, Junk}, {{0, 0}, {1024}});
    const auto result = run->runUnattended(true);
    EXPECT_EQ(result.lines[0], "2 problems repaired");
    EXPECT_EQ(result.lines[1], "0 privacy tracks erased");
    EXPECT_NE(result.lines[2].find(" of disk space recovered"), std::string::npos);
    EXPECT_TRUE(result.repaired && result.closesAfterBalloon);
    EXPECT_EQ(cat(Reg).repairsCreated + cat(Junk).repairsCreated, 2);
    EXPECT_FALSE(run->currentBackupId().empty());
    EXPECT_EQ(view.closes, 0);
    run->balloonClosed();
    EXPECT_EQ(view.closes, 1);
}

TEST_F(OneClickRunTest, UnattendedWithNothingFoundOrCancelled) {
    only({Reg});
    auto result = run->runUnattended(true);
    EXPECT_FALSE(result.repaired);
    EXPECT_EQ(result.lines[0], "0 problems repaired");
    EXPECT_TRUE(result.closesAfterBalloon);

    cancelDuringScanOf(Reg);
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
