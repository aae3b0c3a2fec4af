// The one-click page alone, then driven by the real engine.
#include "ui/OneClickPage.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "oneclick/OneClickSettings.h"
#include "ui/OneClickPageDriver.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

class OneClickPageTest : public testing::SessionTest {};

TEST_F(OneClickPageTest, ControlsCarryTheirTextsAndTitlesToggleTheirBoxes) {
    Tfrmoneclick page(session(), nullptr);
    page.resize(582, 320);
    page.retranslate();
    EXPECT_EQ(page.cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(page.detailsLink(0)->text().contains(QStringLiteral("Show Details")));
    auto* title = page.findChild<QLabel*>(QStringLiteral("lbjunk"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("Temporary files Cleaner"));
    const bool before = page.categoryTicked(3);
    QTest::mouseClick(title, Qt::LeftButton);
    EXPECT_NE(page.categoryTicked(3), before);
    // Out-of-range categories are ignored, never a crash.
    page.setResult(9, QStringLiteral("x"), true);
    page.setCategoryTicked(-1, true);
    EXPECT_FALSE(page.categoryTicked(6));
}

TEST_F(OneClickPageTest, BusyStateAndTheStartButtonAcrossARetranslate) {
    Tfrmoneclick page(session(), nullptr);
    page.show();
    page.setBusy(true);
    page.setCurrentCategory(2);
    EXPECT_TRUE(page.statusLabel()->isVisible() && page.progressBar()->isVisible());
    EXPECT_TRUE(page.animation()->playing());
    EXPECT_FALSE(page.summaryLabel()->isVisible());
    page.setBusy(false);
    EXPECT_FALSE(page.statusLabel()->isVisible() || page.animation()->playing());
    page.setStartButton(QStringLiteral("Repair Problems"), 2);
    page.retranslate();
    EXPECT_EQ(page.startButton()->text(), QStringLiteral("Repair Problems"));
}

TEST_F(OneClickPageTest, PublishedStatusIsShownAtDisplayRateWithoutBlocking) {
    Tfrmoneclick page(session(), nullptr);
    page.show();
    core::StatusSink sink;
    page.setStatusSink(&sink);
    // Many publishes between two display ticks: the page shows the latest only.
    for (int i = 0; i <= 5000; ++i)
        sink.publish("HKEY_LOCAL_MACHINE\\Key" + std::to_string(i), i / 50);
    EXPECT_TRUE(testing::SpinUntil([&] { return page.progressBar()->value() == 100; }));
    EXPECT_TRUE(page.statusLabel()->text().endsWith(QStringLiteral("Key5000")));
    page.setStatusSink(nullptr);
}

// The details links and closing the page reach the engine in the tests of the driver below.
TEST_F(OneClickPageTest, ButtonClicksReachTheEngine) {
    Tfrmoneclick page(session(), nullptr);
    int starts = 0, cancels = 0;
    page.setActions({[&] { ++starts; }, [&] { ++cancels; }, [](int) {}, [] {}});
    page.show();
    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    page.setCancelEnabled(true);
    QTest::mouseClick(page.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(std::pair(starts, cancels), std::pair(1, 1));
}

TEST_F(OneClickPageTest, UnhostedPageHasItsOwnCaptionTrayAndBalloon) {
    Tfrmoneclick page(session(), nullptr);
    page.setHosted(false);
    EXPECT_EQ(page.windowTitle(), QStringLiteral("Quorvel Utilities - One-Click Maintenance"));
    QSignalSpy gone(&page, &Tfrmoneclick::balloonClosed);
    page.setTrayAnimated(true);
    page.setTrayAnimated(false);
    page.showBalloon(QStringLiteral("One-Click Maintenance"), QStringLiteral("report"), 0);
    EXPECT_TRUE(testing::SpinUntil([&] { return gone.count() == 1; }));
}

TEST_F(OneClickPageTest, AnimationPlaysTheShippedStripAndAMissingFileStaysEmpty) {
    ScanAnimation animation;
    animation.resize(32, 32);
    animation.setFile(testing::ProgramDir() / "skins" / "Default" / "scan.svg");
    EXPECT_GT(animation.frameCount(), 1);
    animation.play();
    EXPECT_TRUE(testing::SpinUntil([&] { return animation.currentFrame() > 0; }));
    animation.setFile(testing::ProgramDir() / "skins" / "none.svg");
    EXPECT_EQ(animation.frameCount(), 0);
    animation.grab();  // paints nothing, fails nothing
}

using oneclick::ScanCategory;
using oneclick::StartTag;

constexpr int kRegistry = 0;

// The page driven by the real one-click engine on a built machine with registry problems.
class OneClickPageDriverTest : public testing::SessionTest {
protected:
    void SetUp() override {
        const std::string appPaths =
            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
        for (const char* exe : {"gone.exe", "lost.exe"})
            builder_.value(appPaths + exe, "",
                           platform::RegValue::string("C:\\Gone\\" + std::string(exe)));
        makeSession();
        page_ = std::make_unique<Tfrmoneclick>(session(), nullptr);
        page_->resize(582, 320);
        page_->retranslate();
        driver_ = &OneClickPageDriver::Attach(session(), *page_, Launcher::system());
        driver_->setDetailsHandler([this](ScanCategory c) { details_.push_back(c); });
        page_->show();
    }
    void TearDown() override { page_.reset(); }
    void onlyTick(int category) {
        for (int i = 0; i < Tfrmoneclick::kCategories; ++i)
            page_->checkBox(i)->setChecked(i == category || category == kAll);
    }
    // The page is idle with `button` on its start button.
    void expectIdle(StartTag tag, const char* button) {
        EXPECT_EQ(page_->startTag(), static_cast<int>(tag));
        EXPECT_EQ(page_->startButton()->text(), QString::fromUtf8(button));
        EXPECT_TRUE(page_->startButton()->isEnabled());
        EXPECT_FALSE(page_->cancelButton()->isEnabled() || page_->statusLabel()->isVisible());
        EXPECT_FALSE(page_->animation()->playing());
    }

    static constexpr int kAll = 99;
    std::unique_ptr<Tfrmoneclick> page_;
    OneClickPageDriver* driver_ = nullptr;
    std::vector<ScanCategory> details_;
};

TEST_F(OneClickPageDriverTest, StoredSelectionIsLoadedAndSavedOnClose) {
    // First run: five ticked, Tracks not.
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(page_->categoryTicked(i), i != 4) << i;
    expectIdle(StartTag::Scan, "Scan");
    page_->checkBox(4)->setChecked(true);
    page_->checkBox(0)->setChecked(false);
    EXPECT_TRUE(driver_->run().selected(ScanCategory::Tracks));
    page_->close();
    const oneclick::Selection stored = oneclick::LoadSelection(session().machine().registry());
    EXPECT_TRUE(stored[4]);
    EXPECT_FALSE(stored[0]);
}

TEST_F(OneClickPageDriverTest, ScanFindsRegistryProblemsThenRepairClearsThem) {
    onlyTick(kRegistry);
    page_->btnStartClick();
    ASSERT_GE(session().regFindings().size(), 2u);
    EXPECT_TRUE(page_->resultLabel(kRegistry)->isVisible());
    EXPECT_TRUE(page_->resultLabel(kRegistry)->text().endsWith(QStringLiteral("problems found")));
    EXPECT_NE(page_->resultColor(kRegistry), page_->resultColor(1)) << "findings are highlighted";
    EXPECT_TRUE(page_->detailsLink(kRegistry)->isVisible());
    EXPECT_FALSE(page_->detailsLink(1)->isVisible());
    expectIdle(StartTag::Repair, "Repair Problems");
    EXPECT_EQ(page_->summaryLabel()->text(), QStringLiteral("Click Repair Problems to continue."));
    emit page_->detailsLink(kRegistry)->linkActivated(QStringLiteral("details"));
    EXPECT_EQ(details_, std::vector<ScanCategory>{ScanCategory::Registry});

    page_->btnStartClick();  // repair
    expectIdle(StartTag::Scan, "Scan");
    EXPECT_EQ(page_->summaryLabel()->text(), QStringLiteral("Repair complete"));
    EXPECT_FALSE(page_->detailsLink(kRegistry)->isVisible());
    // What was repaired is gone: the next scan finds fewer problems.
    const std::size_t before = session().regFindings().size();
    page_->btnStartClick();
    EXPECT_LT(session().regFindings().size(), before);
}

TEST_F(OneClickPageDriverTest, NothingTickedDoesNothingAndCancelReturnsToScan) {
    onlyTick(-1);
    page_->btnStartClick();
    EXPECT_FALSE(page_->resultLabel(kRegistry)->isVisible());
    EXPECT_EQ(page_->startTag(), static_cast<int>(StartTag::Scan));

    onlyTick(kAll);
    page_->setResult(3, QStringLiteral("previous"), false);
    // The cancel arrives while the registry scanner runs.
    QTimer::singleShot(0, page_.get(), [this] { page_->btnCancelClick(); });
    page_->btnStartClick();
    EXPECT_TRUE(driver_->run().lastPassCancelled());
    expectIdle(StartTag::Scan, "Scan");
    EXPECT_EQ(page_->resultLabel(3)->text(), QStringLiteral("previous"))
        << "categories after the cancel keep their labels";
}

TEST_F(OneClickPageDriverTest, TracksAndSpywareHaveNoDetailsWindowYet) {
    for (const auto c : {ScanCategory::Shortcuts, ScanCategory::Startup, ScanCategory::Junk})
        EXPECT_TRUE(OneClickPageDriver::HasDetailsWindow(c));
    for (const auto c : {ScanCategory::Tracks, ScanCategory::Spyware})
        driver_->setDetailsVisible(c, true);
    EXPECT_FALSE(page_->detailsLink(4)->isVisible() || page_->detailsLink(5)->isVisible())
        << "no link that opens nothing";
}

// Unattended, on the page as its own window (not hosted).
TEST_F(OneClickPageDriverTest, UnattendedScanOnlyStaysOpenScanAndRepairCloses) {
    page_->setHosted(false);
    int closes = 0;
    driver_->setCloseHandler([&] { ++closes; });
    onlyTick(kRegistry);
    oneclick::UnattendedResult result = driver_->run().runUnattended(false);
    EXPECT_FALSE(result.repaired);
    ASSERT_EQ(result.lines.size(), 3u);
    EXPECT_TRUE(result.lines[0].ends_with("problems found"));
    emit page_->balloonClosed();
    QCoreApplication::processEvents();
    EXPECT_EQ(closes, 0) << "findings wait for a repair";
    EXPECT_EQ(page_->startTag(), static_cast<int>(StartTag::Repair));

    result = driver_->run().runUnattended(true);
    EXPECT_TRUE(result.repaired);
    EXPECT_TRUE(result.lines[0].ends_with("problems repaired"));
    emit page_->balloonClosed();
    EXPECT_TRUE(testing::SpinUntil([&] { return closes == 1; }));
}

}  // namespace
}  // namespace quorvel::ui
