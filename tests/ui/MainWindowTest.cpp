#include "ui/MainWindow.h"

#include <QSignalSpy>
#include <QTest>
#include <fstream>

#include "core/settings/SettingsKeys.h"
#include "ui/SkinCatalog.h"
#include "ui/UiFixture.h"

namespace quorvel::ui {
namespace {

using platform::RootKey;
namespace keys = core::keys;

// A page that counts how it is created, translated and skinned.
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
        for (int i = 0; i < 3; ++i) {
            h.pages[i] = [this, i](QWidget* parent) -> HostedPage* {
                ++created[i];
                return new CountingPage(parent);
            };
        }
        h.launcher.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        h.launcher.startDetached = [](const QString&, const QStringList&, const QStringList&) {
            return true;
        };
        h.startPrepare = [this] { ++prepareStarted; };
        h.stopPrepare = [this] { ++prepareStopped; };
        return h;
    }
    std::unique_ptr<Tfrmmain> window() { return std::make_unique<Tfrmmain>(session(), hooks()); }
    CountingPage* page(Tfrmmain& w, PageIndex index) {
        return static_cast<CountingPage*>(w.page(index));
    }

    int created[3] = {0, 0, 0};
    int prepareStarted = 0;
    int prepareStopped = 0;
    std::vector<QUrl> opened;
};

TEST_F(MainWindowTest, PagesAreCreatedOnceOnFirstVisit) {
    auto w = window();
    EXPECT_EQ(prepareStarted, 1) << "the housekeeping thread starts with the window";
    EXPECT_EQ(session().settings().readInteger(RootKey::CurrentUser, keys::kSettings, "FirstRun"),
              1);
    w->FormShow(true);
    // No stored view: the one-click page opens and 1 is stored.
    EXPECT_EQ(w->currentPage(), PageIndex::OneClick);
    EXPECT_EQ(created[1], 1);
    EXPECT_EQ(created[0] + created[2], 0);
    EXPECT_FALSE(w->shownNormally()) << "a hidden start shows only the tray icon";
    // Without a notification area the window is minimised, never lost.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        EXPECT_TRUE(w->isMinimized());
    }

    w->btnoneclickClick();
    w->btnoneclickClick();
    w->btnStatusClick();
    w->btnmodulesClick();
    w->btnStatusClick();
    EXPECT_EQ(created[0], 1);
    EXPECT_EQ(created[1], 1);
    EXPECT_EQ(created[2], 1);
    EXPECT_TRUE(w->pageButton(PageIndex::Status)->isSelected());
    EXPECT_FALSE(w->pageButton(PageIndex::OneClick)->isSelected());
    EXPECT_EQ(page(*w, PageIndex::Status)->translations, 1);

    // Closing stores the page shown and stops the housekeeping thread once.
    w->close();
    EXPECT_EQ(prepareStopped, 1);
    EXPECT_EQ(
        session().settings().readInteger(RootKey::CurrentUser, keys::kProgram, "Current View"), 0);
}

TEST_F(MainWindowTest, StoredViewOpensItsPage) {
    session().settings().writeInteger(RootKey::CurrentUser, keys::kProgram, "Current View", 2);
    auto w = window();
    w->FormShow(true);
    EXPECT_EQ(w->currentPage(), PageIndex::Modules);
    EXPECT_EQ(created[2], 1);
}

TEST_F(MainWindowTest, CloseToTrayBalloonShowsOncePerRun) {
    session().settings().writeBool(RootKey::CurrentUser, keys::kSettings, "Minitotray", true);
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
    auto again = window();
    QSignalSpy balloonsAgain(again.get(), &Tfrmmain::balloonShown);
    again->FormShow(false);
    again->BmpButton2Click();
    EXPECT_EQ(balloonsAgain.count(), 1);

    // Without Minitotray the close button ends the program.
    session().settings().writeBool(RootKey::CurrentUser, keys::kSettings, "Minitotray", false);
    QSignalSpy ended(again.get(), &Tfrmmain::closed);
    again->BmpButton2Click();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(MainWindowTest, SkinChoiceIsWrittenAtOnceAndMarked) {
    auto w = window();
    w->FormShow(true);
    const QList<QAction*> items = w->skinsMenu()->actions();
    ASSERT_GE(items.size(), 2) << "Default and one alternative skin ship with the program";
    QAction* marked = nullptr;
    QAction* other = nullptr;
    for (QAction* item : items) {
        if (item->isChecked())
            marked = item;
        else
            other = item;
    }
    ASSERT_NE(marked, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(
        SameSkinFile(marked->data().toString().toStdString(), session().globals().SkinFile));

    const int skinsBefore = page(*w, PageIndex::OneClick)->skins;
    other->trigger();
    EXPECT_TRUE(other->isChecked());
    EXPECT_FALSE(marked->isChecked());
    const auto stored =
        session().settings().readString(RootKey::CurrentUser, keys::kProgram, "Skin");
    ASSERT_TRUE(stored.has_value());
    EXPECT_TRUE(SameSkinFile(*stored, other->data().toString().toStdString()));
    EXPECT_EQ(page(*w, PageIndex::OneClick)->skins, skinsBefore + 1) << "the page relayouts";
    // Written to disk at once: a new machine over the same prefix sees it.
    auto fresh = builder_.build();
    core::SettingsStore freshSettings(fresh->registry());
    EXPECT_EQ(freshSettings.readString(RootKey::CurrentUser, keys::kProgram, "Skin"), stored);
}

TEST_F(MainWindowTest, LanguageSwitchRetranslatesWindowAndHostedPages) {
    auto w = window();
    w->FormShow(true);
    w->btnStatusClick();
    EXPECT_EQ(w->pageButton(PageIndex::Modules)->text(), QStringLiteral("Tools"));
    const int before = page(*w, PageIndex::Status)->translations;

    session().settings().writeString(RootKey::CurrentUser, keys::kProgram, "Language",
                                     "german.lng");
    session().reloadLanguageAndSkin();
    w->retranslate();
    EXPECT_EQ(w->pageButton(PageIndex::Modules)->text(), QStringLiteral("Werkzeuge"));
    EXPECT_EQ(w->pageButton(PageIndex::OneClick)->text(), QStringLiteral("Ein-Klick-Wartung"));
    EXPECT_EQ(page(*w, PageIndex::Status)->translations, before + 1);
    EXPECT_EQ(page(*w, PageIndex::OneClick)->translations, 2);
}

TEST_F(MainWindowTest, HelpDimmingAndFooter) {
    auto w = window();
    w->FormShow(false);
    w->helpAction()->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("help/Welcome_topic.htm")));
    EXPECT_TRUE(std::filesystem::exists(opened[0].toLocalFile().toStdString()))
        << "the bundled help ships beside the program";

    EXPECT_TRUE(w->versionLabel()->text().startsWith(QStringLiteral("Version : ")));
    EXPECT_FALSE(w->portableLabel()->isVisible());

    const QImage before = w->grab().toImage();
    w->dim();
    EXPECT_TRUE(w->dimmed());
    const QImage dimmed = w->grab().toImage();
    EXPECT_LT(qGray(dimmed.pixel(5, 200)), qGray(before.pixel(5, 200)));
    w->undim();
    EXPECT_FALSE(w->dimmed());
    EXPECT_EQ(w->grab().toImage(), before);
}

TEST_F(MainWindowTest, DamagedSkinFileStillGivesAUsableWindow) {
    const auto bad = builder_.prefix() / "bad-skin.ini";
    {
        std::ofstream(bad, std::ios::binary)
            << std::string("[main]\nwidth=-5\nheight=zz\n\x01\x02", 22);
    }
    auto w = window();
    w->FormShow(true);
    w->chooseSkin(bad);
    EXPECT_GE(w->width(), 320);
    EXPECT_GE(w->height(), 240);
    EXPECT_EQ(session().settings().readString(RootKey::CurrentUser, keys::kProgram, "Skin"),
              bad.string());
}

}  // namespace
}  // namespace quorvel::ui

#include "ui/MainHooks.h"

namespace quorvel::ui {
namespace {

TEST_F(MainWindowTest, ProgramWiringStartsAndStopsHousekeepingAndHostsThePages) {
    Launcher quiet;
    quiet.openUrl = [](const QUrl&) { return true; };
    quiet.startDetached = [](const QString&, const QStringList&, const QStringList&) {
        return true;
    };
    for (int stopEarly : {1, 0}) {
        Tfrmmain w(session(), MakeMainHooks(session(), quiet));
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

}  // namespace
}  // namespace quorvel::ui

namespace quorvel::ui {
namespace {

TEST_F(MainWindowTest, UpdateCheckRunsOnceAfterStartUnlessSwitchedOff) {
    for (int setting : {-1, 0}) {
        if (setting >= 0)
            session().settings().writeInteger(RootKey::CurrentUser, keys::kSettings, "Checkupdates",
                                              setting);
        Tfrmmain::Hooks h = hooks();
        int checks = 0;
        h.startUpdateCheck = [&] { ++checks; };
        Tfrmmain w(session(), std::move(h));
        w.FormShow(true);
        EXPECT_EQ(checks, 0) << "not before its timer";
        if (setting < 0) {
            EXPECT_TRUE(testing::SpinUntil([&] { return checks == 1; }));
            EXPECT_EQ(session().settings().readInteger(RootKey::CurrentUser, keys::kSettings,
                                                       "Checkupdates"),
                      1);
        } else {
            QTest::qWait(1300);
            EXPECT_EQ(checks, 0);
        }
        w.close();
    }
}

TEST_F(MainWindowTest, PortableLabelOnlyInPortableMode) {
    session().globals().IsPortable = true;
    auto w = window();
    w->FormShow(false);
    EXPECT_TRUE(w->portableLabel()->isVisible());
    EXPECT_EQ(w->portableLabel()->text(), QStringLiteral("Portable Version"));
}

}  // namespace
}  // namespace quorvel::ui
