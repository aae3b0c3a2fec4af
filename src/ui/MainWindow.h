#pragma once

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

#include "core/settings/ProgramSettings.h"
#include "ui/AppSession.h"
#include "ui/HostedPage.h"
#include "ui/Launcher.h"
#include "ui/SkinButton.h"

namespace quorvel::ui {

using core::CloseDecision;
using core::PageIndex;

// The program's main window: a borderless skinned window with three pages (status, one-click,
// tools) created on their first visit, header buttons, footer labels, the tray icon, the main and
// tray menus with the skins menu, and the dimming overlay other windows may ask for.
class Tfrmmain : public QWidget {
    Q_OBJECT
public:
    using PageFactory = std::function<HostedPage*(QWidget* parent)>;
    struct Hooks {
        std::array<PageFactory, 3> pages;        // by PageIndex
        std::function<void()> startUpdateCheck;  // the check itself lives elsewhere
        std::function<void()> startPrepare;      // start-up housekeeping thread
        std::function<void()> stopPrepare;       // asks it to stop and waits
        Launcher launcher = Launcher::system();
    };

    Tfrmmain(AppSession& session, Hooks hooks, QWidget* parent = nullptr);
    ~Tfrmmain() override;

    // Translates, applies the skin and opens the stored page; with hidden only the tray icon
    // shows (start at logon).
    void FormShow(bool hidden);
    // Shows and raises the window, also from the tray (tray click, a second start).
    void showFromTray();
    // Hides the window to the tray; minimises it instead when the desktop has no tray.
    void hideToTray();
    // Shown as a window, not hidden nor minimised.
    bool shownNormally() const { return isVisible() && !isMinimized(); }

    PageIndex currentPage() const;
    HostedPage* page(PageIndex index) const { return pages_[static_cast<int>(index)]; }
    void openPage(PageIndex index);

    void retranslate();
    void applySkin();
    // Stores the skin choice at once, marks it in the menu and lays everything out again.
    void chooseSkin(const std::filesystem::path& skinFile);

    // The dimming overlay: the window's picture darkened, over the whole client area.
    void dim();
    void undim();
    bool dimmed() const;

    QMenu* mainMenu() const { return PopupMenu1_; }
    QMenu* trayMenu() const { return PopupMenu2_; }
    QMenu* skinsMenu() const { return mnuSkins_; }
    QSystemTrayIcon* trayIcon() const { return CoolTrayIcon1_; }
    SkinButton* pageButton(PageIndex index) const { return tabs_[static_cast<int>(index)]; }
    QLabel* versionLabel() const { return lblversion_; }
    QLabel* portableLabel() const { return lbPortable_; }
    QAction* helpAction() const { return actHelp_; }
    QAction* showWindowAction() const { return actShowWindow_; }

public slots:
    void btnStatusClick() { openPage(PageIndex::Status); }
    void btnoneclickClick() { openPage(PageIndex::OneClick); }
    void btnmodulesClick() { openPage(PageIndex::Modules); }
    void BmpButton1Click();  // minimise to the tray
    void BmpButton2Click();  // close: to the tray or end
    void actHelpExecute();
    void actHomepageExecute();
    void actFaqExecute();
    void actAboutExecute();
    void actmenuExecute();

signals:
    void balloonShown(const QString& title, const QString& text);
    // The window closed for good; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createActions();
    void buildSkinsMenu();
    void beginDrag(const QPoint& globalPos);
    void Timer1Timer();
    void showBalloon(const QString& title, const QString& text, int seconds);
    void centre();

    AppSession& session_;
    Hooks hooks_;
    bool closing_ = false;
    QPoint dragOffset_;
    bool dragging_ = false;
    QPixmap background_;

    QLabel* lbTitle_ = nullptr;
    std::array<SkinButton*, 3> tabs_{};
    SkinButton* btnMini_ = nullptr;
    SkinButton* btnclose_ = nullptr;
    SkinButton* btnmenu_ = nullptr;
    QLabel* lblversion_ = nullptr;
    QLabel* lbPortable_ = nullptr;
    QStackedWidget* Notebook1_ = nullptr;
    std::array<QWidget*, 3> panels_{};
    std::array<HostedPage*, 3> pages_{};
    QLabel* pnGray_ = nullptr;
    QSystemTrayIcon* CoolTrayIcon1_ = nullptr;
    QTimer* Timer1_ = nullptr;

    QMenu* PopupMenu1_ = nullptr;
    QMenu* PopupMenu2_ = nullptr;
    QMenu* mnuSkins_ = nullptr;
    QActionGroup* skinGroup_ = nullptr;
    QAction* actHomepage_ = nullptr;
    QAction* actAbout_ = nullptr;
    QAction* actrecommend_ = nullptr;
    QAction* actHelp_ = nullptr;
    QAction* actmenu_ = nullptr;
    QAction* actFaq_ = nullptr;
    QAction* actShowWindow_ = nullptr;
    QAction* actExit_ = nullptr;
};

}  // namespace quorvel::ui
