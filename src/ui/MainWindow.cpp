#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "core/Version.h"
#include "core/environment/HiddenText.h"
#include "core/language/LoadLanguageAndSkin.h"
#include "core/settings/SettingsKeys.h"
#include "ui/AppIcon.h"
#include "ui/SkinCatalog.h"
#include "ui/SkinImage.h"
#include "ui/UiText.h"

namespace quorvel::ui {

namespace {

// The design layout; a skin may move every part.
constexpr int kWidth = 598;
constexpr int kHeight = 428;
constexpr int kFooterTop = 407;  // above it the window's own background drags the window
// The dimming overlay darkens with constant alpha 88 of 255.
constexpr int kDimAlpha = 88;

const QRect kTitle{16, 8, 330, 30};
const std::array<QRect, 3> kTabs{QRect{16, 46, 130, 30}, QRect{150, 46, 210, 30},
                                 QRect{364, 46, 130, 30}};
const std::array<const char*, 3> kTabSections{"btnstatus", "btnoneclick", "btnModules"};
const QRect kArea{8, 80, 582, 322};

}  // namespace

Tfrmmain::Tfrmmain(AppSession& session, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      session_(session),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("Tfrmmain"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    createControls();
    createActions();
    // FormCreate: the housekeeping thread first, then FirstRun, then the skins menu.
    if (hooks_.startPrepare) hooks_.startPrepare();
    MarkFirstRun(session_.settings());
    session_.flush();
    buildSkinsMenu();
}

Tfrmmain::~Tfrmmain() {
    if (!closing_ && hooks_.stopPrepare) hooks_.stopPrepare();
}

void Tfrmmain::createControls() {
    lbTitle_ = new QLabel(this);
    QFont titleFont = lbTitle_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.45);
    titleFont.setBold(true);
    lbTitle_->setFont(titleFont);
    lbTitle_->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (int i = 0; i < 3; ++i) {
        tabs_[i] = new SkinButton(this);
        tabs_[i]->setObjectName(QString::fromLatin1(kTabSections[i]));
        QFont f = tabs_[i]->font();
        f.setBold(true);
        tabs_[i]->setFont(f);
    }
    connect(tabs_[0], &QAbstractButton::clicked, this, &Tfrmmain::btnStatusClick);
    connect(tabs_[1], &QAbstractButton::clicked, this, &Tfrmmain::btnoneclickClick);
    connect(tabs_[2], &QAbstractButton::clicked, this, &Tfrmmain::btnmodulesClick);

    btnMini_ = new SkinButton(this);
    btnMini_->setObjectName(QStringLiteral("btnMini"));
    btnclose_ = new SkinButton(this);
    btnclose_->setObjectName(QStringLiteral("btnclose"));
    btnmenu_ = new SkinButton(this);
    btnmenu_->setObjectName(QStringLiteral("btnmenu"));
    connect(btnMini_, &QAbstractButton::clicked, this, &Tfrmmain::BmpButton1Click);
    connect(btnclose_, &QAbstractButton::clicked, this, &Tfrmmain::BmpButton2Click);
    connect(btnmenu_, &QAbstractButton::clicked, this, &Tfrmmain::actmenuExecute);

    lblversion_ = new QLabel(this);
    lbPortable_ = new QLabel(this);
    lbPortable_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbPortable_->setVisible(false);
    lblversion_->installEventFilter(this);
    lbPortable_->installEventFilter(this);

    Notebook1_ = new QStackedWidget(this);
    const std::array<const char*, 3> panelNames{"pnStatus", "pn1click", "pnModules"};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QWidget(Notebook1_);
        panels_[i]->setObjectName(QString::fromLatin1(panelNames[i]));
        auto* layout = new QVBoxLayout(panels_[i]);
        layout->setContentsMargins(0, 0, 0, 0);
        Notebook1_->addWidget(panels_[i]);
    }

    pnGray_ = new QLabel(this);
    pnGray_->setObjectName(QStringLiteral("pnGray"));
    pnGray_->setVisible(false);

    CoolTrayIcon1_ = new QSystemTrayIcon(this);
    connect(CoolTrayIcon1_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    showFromTray();
            });

    Timer1_ = new QTimer(this);
    Timer1_->setSingleShot(true);
    Timer1_->setInterval(1000);
    connect(Timer1_, &QTimer::timeout, this, &Tfrmmain::Timer1Timer);
}

void Tfrmmain::createActions() {
    auto action = [this](const char* name) {
        auto* a = new QAction(this);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    actHomepage_ = action("actHomepage");
    actAbout_ = action("actAbout");
    actrecommend_ = action("actrecommend");
    actrecommend_->setVisible(false);
    actHelp_ = action("actHelp");
    actHelp_->setShortcut(QKeySequence(Qt::Key_F1));
    actHelp_->setShortcutContext(Qt::WindowShortcut);
    addAction(actHelp_);
    actmenu_ = action("actmenu");
    actFaq_ = action("actFaq");
    actShowWindow_ = action("actShowWindow");
    actExit_ = action("actExit");
    connect(actHomepage_, &QAction::triggered, this, &Tfrmmain::actHomepageExecute);
    connect(actAbout_, &QAction::triggered, this, &Tfrmmain::actAboutExecute);
    connect(actHelp_, &QAction::triggered, this, &Tfrmmain::actHelpExecute);
    connect(actmenu_, &QAction::triggered, this, &Tfrmmain::actmenuExecute);
    connect(actFaq_, &QAction::triggered, this, &Tfrmmain::actFaqExecute);
    connect(actShowWindow_, &QAction::triggered, this, &Tfrmmain::showFromTray);
    connect(actExit_, &QAction::triggered, this, &QWidget::close);

    PopupMenu1_ = new QMenu(this);
    PopupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1_->addAction(actHelp_);
    PopupMenu1_->addAction(actFaq_);
    PopupMenu1_->addAction(actHomepage_);
    PopupMenu1_->addSeparator();
    mnuSkins_ = PopupMenu1_->addMenu(QString());
    mnuSkins_->setObjectName(QStringLiteral("mnuSkins"));
    PopupMenu1_->addSeparator();
    PopupMenu1_->addAction(actAbout_);

    PopupMenu2_ = new QMenu(this);
    PopupMenu2_->setObjectName(QStringLiteral("PopupMenu2"));
    PopupMenu2_->addAction(actShowWindow_);
    PopupMenu2_->addSeparator();
    PopupMenu2_->addAction(actHomepage_);
    PopupMenu2_->addAction(actHelp_);
    PopupMenu2_->addSeparator();
    PopupMenu2_->addAction(actAbout_);
    PopupMenu2_->addSeparator();
    PopupMenu2_->addAction(actExit_);
    CoolTrayIcon1_->setContextMenu(PopupMenu2_);
}

void Tfrmmain::buildSkinsMenu() {
    skinGroup_ = new QActionGroup(this);
    skinGroup_->setExclusive(true);
    for (const SkinEntry& skin : FindSkins(session_.programDir())) {
        QAction* item = mnuSkins_->addAction(skin.description);
        item->setCheckable(true);
        item->setData(QString::fromStdString(skin.file.string()));
        item->setChecked(SameSkinFile(skin.file, session_.globals().SkinFile));
        skinGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, file = skin.file] { chooseSkin(file); });
    }
}

void Tfrmmain::chooseSkin(const std::filesystem::path& skinFile) {
    session_.settings().writeString(platform::RootKey::CurrentUser, core::keys::kProgram, "Skin",
                                    skinFile.string());
    session_.flush();
    session_.globals().SkinFile = skinFile.string();
    session_.reloadSkin();
    for (QAction* item : skinGroup_->actions())
        item->setChecked(SameSkinFile(item->data().toString().toStdString(), skinFile));
    applySkin();
    for (int i : {2, 1, 0})
        if (pages_[i]) pages_[i]->applySkin();
    update();
}

void Tfrmmain::FormShow(bool hidden) {
    const QString title = toQ(core::ProductTitle());
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(title);
    setWindowTitle(title);
    const PageIndex view = OpenCurrentView(session_.settings());
    WriteInstallInfo(session_.settings(), core::kProductVersion, session_.globals().ProgramFolder);
    session_.flush();
    lbPortable_->setVisible(session_.globals().IsPortable);
    retranslate();
    applySkin();
    openPage(view);
    CoolTrayIcon1_->show();
    Timer1_->start();
    if (!hidden) {
        centre();
        show();
    } else {
        hideToTray();
    }
}

void Tfrmmain::retranslate() {
    const core::LanguageTable& lang = session_.language();
    lbTitle_->setText(toQ(core::ProductTitle()));
    tabs_[0]->setText(uiText(lang, 10806, "Status"));
    tabs_[1]->setText(uiText(lang, 29001, "One-Click Maintenance"));
    tabs_[2]->setText(uiText(lang, 10799, "Tools"));
    btnmenu_->setToolTip(uiText(lang, 10038, "Menu"));
    actmenu_->setText(uiText(lang, 10038, "Menu"));
    actHomepage_->setText(uiText(lang, 10018, "Home Page"));
    actAbout_->setText(uiText(lang, 10019, "About"));
    actrecommend_->setText(uiText(lang, 10035, "Recommend to Friends"));
    actHelp_->setText(uiText(lang, 10004, "Help Contents"));
    actFaq_->setText(uiText(lang, 10916, "FAQ"));
    actShowWindow_->setText(uiText(lang, 21019, "Show Window"));
    actExit_->setText(uiText(lang, 10005, "Exit"));
    mnuSkins_->setTitle(uiText(lang, 10917, "Skins"));
    lbPortable_->setText(uiText(lang, 10918, "Portable Version"));
    lblversion_->setText(QStringLiteral("Version : ") + QString::fromLatin1(core::kProductVersion));
    CoolTrayIcon1_->setToolTip(toQ(core::ProductTitle()));
    for (int i : {2, 1, 0})
        if (pages_[i]) pages_[i]->retranslate();
}

void Tfrmmain::applySkin() {
    const Skin& skin = session_.skin();
    const QRect main = skin.rect("main", QRect(0, 0, kWidth, kHeight));
    setFixedSize(std::clamp(main.width(), 320, 4000), std::clamp(main.height(), 240, 4000));
    const int w = width();
    background_ = RenderSkinImage(skin.image("mainpro"), size(), devicePixelRatioF());

    lbTitle_->setGeometry(skin.rect("title", kTitle, w));
    QPalette titlePalette = lbTitle_->palette();
    titlePalette.setColor(QPalette::WindowText, skin.color("title", Qt::white));
    lbTitle_->setPalette(titlePalette);

    const QColor normal = skin.color("normal", QColor(Qt::black));
    const QColor highlight = skin.color("highlight", QColor(Qt::black));
    for (int i = 0; i < 3; ++i) {
        tabs_[i]->setGeometry(skin.rect(kTabSections[i], kTabs[i], w));
        tabs_[i]->setImages(skin.image("tabnormal"), skin.image("tabhover"), skin.image("tabdown"));
        tabs_[i]->setTextColors(normal, highlight);
    }
    btnMini_->setGeometry(skin.rect("btnmin", QRect(w - 76, 8, 26, 22), w));
    btnMini_->setImages(skin.image("minnormal"), skin.image("minhover"), skin.image("mindown"));
    btnclose_->setGeometry(skin.rect("btnclose", QRect(w - 46, 8, 26, 22), w));
    btnclose_->setImages(skin.image("closenormal"), skin.image("closehover"),
                         skin.image("closedown"));
    btnmenu_->setGeometry(skin.rect("btnMenu", QRect(w - 106, 8, 26, 22), w));
    btnmenu_->setImages(skin.image("menunormal"), skin.image("menuhover"), skin.image("menudown"));

    Notebook1_->setGeometry(skin.rect("Area1", kArea, w));
    const QRect footer = skin.rect("bottomline", QRect(12, kFooterTop, w - 24, 18), w);
    lblversion_->setGeometry(footer.left(), footer.top(), footer.width() / 2, footer.height());
    lbPortable_->setGeometry(footer.left() + footer.width() / 2, footer.top(),
                             footer.width() - footer.width() / 2, footer.height());
    QPalette footerPalette = lblversion_->palette();
    footerPalette.setColor(QPalette::WindowText, skin.color("footer", QColor(0x55, 0x55, 0x55)));
    lblversion_->setPalette(footerPalette);
    lbPortable_->setPalette(footerPalette);

    const QIcon icon = AppIcon(skin, session_.programDir());
    setWindowIcon(icon);
    CoolTrayIcon1_->setIcon(icon);
    if (pnGray_->isVisible()) pnGray_->setGeometry(rect());
    update();
}

PageIndex Tfrmmain::currentPage() const {
    return static_cast<PageIndex>(std::max(0, Notebook1_->currentIndex()));
}

void Tfrmmain::openPage(PageIndex index) {
    const int i = static_cast<int>(index);
    for (int t = 0; t < 3; ++t)
        tabs_[t]->setSelected(t == i);
    Notebook1_->setCurrentIndex(i);
    if (!pages_[i] && hooks_.pages[i]) {
        HostedPage* created = hooks_.pages[i](panels_[i]);
        if (created) {
            pages_[i] = created;
            panels_[i]->layout()->addWidget(created);
            created->retranslate();
            created->applySkin();
            created->show();
        }
    }
}

void Tfrmmain::showFromTray() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void Tfrmmain::hideToTray() {
    // Without a notification area a hidden window could only come back through a second start,
    // so it is minimised instead.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        hide();
    } else {
        centre();
        showMinimized();
    }
}

void Tfrmmain::centre() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tfrmmain::BmpButton1Click() {
    // Minimising hides the window; only the tray icon stays.
    hideToTray();
}

void Tfrmmain::BmpButton2Click() {
    const CloseDecision decision = DecideClose(session_.settings());
    session_.flush();
    if (!decision.toTray) {
        close();
        return;
    }
    hideToTray();
    if (decision.showBalloon) {
        const core::LanguageTable& lang = session_.language();
        showBalloon(uiText(lang, 10909, "Quorvel Utilities is still running"),
                    uiText(lang, 10910,
                           "Quorvel Utilities keeps running in the notification "
                           "area. Click its icon to open the window again."),
                    10);
    }
}

void Tfrmmain::showBalloon(const QString& title, const QString& text, int seconds) {
    CoolTrayIcon1_->showMessage(title, text, QSystemTrayIcon::Information, seconds * 1000);
    emit balloonShown(title, text);
}

void Tfrmmain::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // A run on the one-click page is cancelled and awaited before anything is torn down.
    for (HostedPage* page : pages_)
        if (page) page->prepareClose();
    closing_ = true;
    StoreCurrentView(session_.settings(), currentPage());
    for (HostedPage* page : pages_)
        if (page) page->close();
    if (hooks_.stopPrepare) hooks_.stopPrepare();
    session_.flush();
    Timer1_->stop();
    CoolTrayIcon1_->hide();
    event->accept();
    emit closed();
}

void Tfrmmain::Timer1Timer() {
    Timer1_->stop();
    if (UpdateCheckWanted(session_.settings()) && hooks_.startUpdateCheck)
        hooks_.startUpdateCheck();
    session_.flush();
}

void Tfrmmain::actHelpExecute() {
    const std::filesystem::path topic = session_.programDir() / "help" / "Welcome_topic.htm";
    hooks_.launcher.openUrl(QUrl::fromLocalFile(QString::fromStdString(topic.string())));
}

void Tfrmmain::actHomepageExecute() {
    hooks_.launcher.openUrl(QUrl(toQ(core::HomePageAddress())));
}

void Tfrmmain::actFaqExecute() {
    hooks_.launcher.openUrl(QUrl(toQ(core::HelpSiteAddress())));
}

void Tfrmmain::actAboutExecute() {
    const QString title = toQ(core::ProductTitle());
    QMessageBox box(QMessageBox::Information, title,
                    QStringLiteral("<b>%1</b><br>Version %2<br><br>%3")
                        .arg(title.toHtmlEscaped(), QString::fromLatin1(core::kProductVersion),
                             toQ(session_.machine().displayName()).toHtmlEscaped()),
                    QMessageBox::Ok, this);
    box.setIconPixmap(windowIcon().pixmap(48, 48));
    box.exec();
}

void Tfrmmain::actmenuExecute() {
    PopupMenu1_->popup(btnmenu_->mapToGlobal(QPoint(0, btnmenu_->height())));
}

void Tfrmmain::dim() {
    QImage picture = grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&picture);
        painter.fillRect(picture.rect(), QColor(0, 0, 0, 255 - kDimAlpha));
    }
    QPixmap dimmed = QPixmap::fromImage(picture);
    pnGray_->setPixmap(dimmed);
    pnGray_->setScaledContents(true);
    pnGray_->setGeometry(rect());
    pnGray_->raise();
    pnGray_->show();
}

void Tfrmmain::undim() {
    pnGray_->hide();
    pnGray_->setPixmap(QPixmap());
}

bool Tfrmmain::dimmed() const {
    return pnGray_->isVisible();
}

void Tfrmmain::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!background_.isNull()) {
        painter.drawPixmap(rect(), background_);
    } else {
        painter.fillRect(rect(), palette().window());
    }
}

void Tfrmmain::beginDrag(const QPoint& globalPos) {
    if (QWindow* handle = windowHandle(); handle && handle->startSystemMove()) return;
    dragging_ = true;
    dragOffset_ = globalPos - frameGeometry().topLeft();
}

void Tfrmmain::mousePressEvent(QMouseEvent* event) {
    // The window's own background above the footer works as a caption.
    if (event->button() == Qt::LeftButton && event->position().y() < lblversion_->y()) {
        beginDrag(event->globalPosition().toPoint());
        return;
    }
    QWidget::mousePressEvent(event);
}

void Tfrmmain::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) move(event->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

void Tfrmmain::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

bool Tfrmmain::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == lblversion_ || watched == lbPortable_) &&
        event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            beginDrag(mouse->globalPosition().toPoint());
            return true;
        }
    }
    if ((watched == lblversion_ || watched == lbPortable_) && dragging_) {
        if (event->type() == QEvent::MouseMove) {
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) dragging_ = false;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quorvel::ui
