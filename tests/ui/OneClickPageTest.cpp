// The page alone; tests/ui/OneClickPageDriverTest drives it through the real engine.
#include "ui/OneClickPage.h"

#include <QSignalSpy>
#include <QTest>

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

// The details links and closing the page reach the engine in the driver test.
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

}  // namespace
}  // namespace quorvel::ui
