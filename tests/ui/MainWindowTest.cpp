#include "ui/MainWindow.h"

#include <QSignalSpy>
#include <QTest>
#include <fstream>

#include "core/settings/SettingsKeys.h"
#include "ui/MainHooks.h"
#include "ui/SkinCatalog.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

using platform::RootKey;
namespace keys = core::keys;

// A page that counts how it is translated and skinned.
class CountingPage : public HostedPage {
public:
    explicit CountingPage(QWidget* parent) : HostedPage(parent) {}
    void retranslate() override { ++translations; }
    void applySkin() override { ++skins; }
    int translations = 0;
    int skins = 0;
};

class MainWindowTest : public testing::SessionTest {
protected:
    Tfrmmain::Hooks hooks() {
        Tfrmmain::Hooks h;
        for (int i = 0; i < 3; ++i)
            h.pages[i] = [this, i](QWidget* parent) -> HostedPage* {
                ++created[i];
                return new CountingPage(parent);
            };
        h.launcher = log.launcher();
        h.startPrepare = [this] { ++prepareStarted; };
        h.stopPrepare = [this] { ++prepareStopped; };
        return h;
    }
    std::unique_ptr<Tfrmmain> window() { return std::make_unique<Tfrmmain>(session(), hooks()); }
    CountingPage* page(Tfrmmain& w, PageIndex index) {
        return static_cast<CountingPage*>(w.page(index));
    }
    core::SettingsStore& settings() { return session().settings(); }

    int created[3] = {0, 0, 0};
    int prepareStarted = 0;
    int prepareStopped = 0;
    testing::LauncherLog log;
};

TEST_F(MainWindowTest, PagesAreCreatedOnceOnFirstVisitAndFollowTheLanguage) {
    auto w = window();
    EXPECT_EQ(prepareStarted, 1) << "the housekeeping thread starts with the window";
    EXPECT_EQ(settings().readInteger(RootKey::CurrentUser, keys::kSettings, "FirstRun"), 1);
    w->FormShow(true);
    // No stored view: the one-click page opens.
    EXPECT_EQ(w->currentPage(), PageIndex::OneClick);
    EXPECT_EQ(std::to_array(created), (std::array{0, 1, 0}));
    EXPECT_FALSE(w->shownNormally()) << "a hidden start shows only the tray icon";
    // Without a notification area the window is minimised, never lost.
    EXPECT_TRUE(QSystemTrayIcon::isSystemTrayAvailable() || w->isMinimized());

    w->btnoneclickClick();
    w->btnoneclickClick();
    w->btnStatusClick();
    w->btnmodulesClick();
    w->btnStatusClick();
    EXPECT_EQ(std::to_array(created), (std::array{1, 1, 1}));
    EXPECT_TRUE(w->pageButton(PageIndex::Status)->isSelected());
    EXPECT_FALSE(w->pageButton(PageIndex::OneClick)->isSelected());
    EXPECT_EQ(page(*w, PageIndex::Status)->translations, 1);
    // A language switch retranslates the window and every hosted page.
    EXPECT_EQ(w->pageButton(PageIndex::Modules)->text(), QStringLiteral("Tools"));
    settings().writeString(RootKey::CurrentUser, keys::kProgram, "Language", "german.lng");
    session().reloadLanguageAndSkin();
    w->retranslate();
    EXPECT_EQ(w->pageButton(PageIndex::Modules)->text(), QStringLiteral("Werkzeuge"));
    EXPECT_EQ(w->pageButton(PageIndex::OneClick)->text(), QStringLiteral("Ein-Klick-Wartung"));
    for (const auto index : {PageIndex::Status, PageIndex::OneClick, PageIndex::Modules})
        EXPECT_EQ(page(*w, index)->translations, 2);

    // Closing stores the page shown and stops the housekeeping thread once; the stored view
    // opens its page next time.
    w->close();
    EXPECT_EQ(prepareStopped, 1);
    EXPECT_EQ(settings().readInteger(RootKey::CurrentUser, keys::kProgram, "Current View"), 0);
    settings().writeInteger(RootKey::CurrentUser, keys::kProgram, "Current View", 2);
    w = window();
    w->FormShow(true);
    EXPECT_EQ(w->currentPage(), PageIndex::Modules);
}

TEST_F(MainWindowTest, CloseToTrayBalloonShowsOncePerRun) {
    settings().writeBool(RootKey::CurrentUser, keys::kSettings, "Minitotray", true);
    auto w = window();
    QSignalSpy balloons(w.get(), &Tfrmmain::balloonShown);
    QSignalSpy closed(w.get(), &Tfrmmain::closed);
    w->FormShow(false);
    ASSERT_TRUE(w->shownNormally());
    w->BmpButton2Click();
    EXPECT_FALSE(w->shownNormally());
    ASSERT_EQ(balloons.count(), 1);
    EXPECT_EQ(balloons[0][0].toString(), QStringLiteral("Quorvel Utilities is still running"));
    w->showFromTray();
    EXPECT_TRUE(w->shownNormally());
    w->BmpButton2Click();
    EXPECT_EQ(balloons.count(), 1);
    EXPECT_EQ(closed.count(), 0) << "closing to the tray does not end the program";

    // A new run shows it again.
    w.reset();
    w = window();
    QSignalSpy again(w.get(), &Tfrmmain::balloonShown);
    w->FormShow(false);
    w->BmpButton2Click();
    EXPECT_EQ(again.count(), 1);

    // Without Minitotray the close button ends the program.
    settings().writeBool(RootKey::CurrentUser, keys::kSettings, "Minitotray", false);
    QSignalSpy ended(w.get(), &Tfrmmain::closed);
    w->BmpButton2Click();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(MainWindowTest, SkinChoiceIsWrittenAtOnceAndMarked) {
    auto w = window();
    w->FormShow(true);
    QAction* marked = nullptr;
    QAction* other = nullptr;
    for (QAction* item : w->skinsMenu()->actions())
        (item->isChecked() ? marked : other) = item;
    ASSERT_TRUE(marked && other) << "Default and one alternative skin ship with the program";
    EXPECT_TRUE(
        SameSkinFile(marked->data().toString().toStdString(), session().globals().SkinFile));

    const int skinsBefore = page(*w, PageIndex::OneClick)->skins;
    other->trigger();
    EXPECT_TRUE(other->isChecked());
    EXPECT_FALSE(marked->isChecked());
    const auto stored = settings().readString(RootKey::CurrentUser, keys::kProgram, "Skin");
    ASSERT_TRUE(stored.has_value());
    EXPECT_TRUE(SameSkinFile(*stored, other->data().toString().toStdString()));
    EXPECT_EQ(page(*w, PageIndex::OneClick)->skins, skinsBefore + 1) << "the page relayouts";
    // Written to disk at once: a new machine over the same prefix sees it.
    auto fresh = builder_.build();
    EXPECT_EQ(core::SettingsStore(fresh->registry())
                  .readString(RootKey::CurrentUser, keys::kProgram, "Skin"),
              stored);

    // A damaged skin file still gives a usable window.
    const auto bad = builder_.prefix() / "bad-skin.ini";
    std::ofstream(bad, std::ios::binary)
        << std::string("[main]\nwidth=-5\nheight=zz\n\x01\x02", 22);
    w->chooseSkin(bad);
    EXPECT_GE(w->width(), 320);
    EXPECT_GE(w->height(), 240);
    EXPECT_EQ(settings().readString(RootKey::CurrentUser, keys::kProgram, "Skin"), bad.string());
}

TEST_F(MainWindowTest, HelpDimmingFooterAndPortableLabel) {
    auto w = window();
    w->FormShow(false);
    w->helpAction()->trigger();
    ASSERT_EQ(log.opened.size(), 1u);
    EXPECT_TRUE(log.opened[0].toLocalFile().endsWith(QStringLiteral("help/Welcome_topic.htm")));
    EXPECT_TRUE(std::filesystem::exists(log.opened[0].toLocalFile().toStdString()))
        << "the bundled help ships beside the program";
    EXPECT_TRUE(w->versionLabel()->text().startsWith(QStringLiteral("Version : ")));
    EXPECT_FALSE(w->portableLabel()->isVisible());

    const QImage before = w->grab().toImage();
    w->dim();
    EXPECT_TRUE(w->dimmed());
    EXPECT_LT(qGray(w->grab().toImage().pixel(5, 200)), qGray(before.pixel(5, 200)));
    w->undim();
    EXPECT_FALSE(w->dimmed());
    EXPECT_EQ(w->grab().toImage(), before);

    session().globals().IsPortable = true;
    w = window();
    w->FormShow(false);
    EXPECT_TRUE(w->portableLabel()->isVisible());
    EXPECT_EQ(w->portableLabel()->text(), QStringLiteral("Portable Version"));
}

TEST_F(MainWindowTest, ProgramWiringStartsAndStopsHousekeepingAndHostsThePages) {
    for (const bool stopEarly : {true, false}) {
        Tfrmmain w(session(), MakeMainHooks(session(), log.launcher()));
        QSignalSpy closed(&w, &Tfrmmain::closed);
        w.FormShow(true);
        w.btnStatusClick();
        w.btnmodulesClick();
        w.btnoneclickClick();
        for (PageIndex index : {PageIndex::Status, PageIndex::OneClick, PageIndex::Modules})
            EXPECT_NE(w.page(index), nullptr);
        // Closing while the housekeeping thread may still run waits for it; after it ended the
        // window closes the same way.
        if (!stopEarly) QTest::qWait(200);
        w.close();
        EXPECT_EQ(closed.count(), 1);
    }
}

TEST_F(MainWindowTest, UpdateCheckRunsOnceAfterStartUnlessSwitchedOff) {
    for (const bool switchedOff : {false, true}) {
        if (switchedOff)
            settings().writeInteger(RootKey::CurrentUser, keys::kSettings, "Checkupdates", 0);
        Tfrmmain::Hooks h = hooks();
        int checks = 0;
        h.startUpdateCheck = [&] { ++checks; };
        Tfrmmain w(session(), std::move(h));
        w.FormShow(true);
        EXPECT_EQ(checks, 0) << "not before its timer";
        if (switchedOff) {
            QTest::qWait(1300);
            EXPECT_EQ(checks, 0);
        } else {
            EXPECT_TRUE(testing::SpinUntil([&] { return checks == 1; }));
            EXPECT_EQ(settings().readInteger(RootKey::CurrentUser, keys::kSettings, "Checkupdates"),
                      1);
        }
        w.close();
    }
}

}  // namespace
}  // namespace quorvel::ui
