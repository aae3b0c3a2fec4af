#include "ui/OneClickPage.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QMouseEvent>

#include "core/environment/HiddenText.h"
#include "ui/AppIcon.h"
#include "ui/SkinImage.h"
#include "ui/UiText.h"

namespace quorvel::ui {

namespace {

struct CategoryTexts {
    const char* name;  // control name suffix
    int title;
    const char* englishTitle;
    int description;
    const char* englishDescription;
};

constexpr std::array<CategoryTexts, Tfrmoneclick::kCategories> kTexts{{
    {"Registry", 29601, "Registry Cleaner", 10603,
     "Scan and fix invalid or incorrect registry entries"},
    {"Shortcuts", 29602, "Shortcuts Fixer", 10605, "Scan and clean up invalid shortcuts"},
    {"Startup", 29603, "Startup Manager", 10607, "Scan and clean up dangerous startup entries"},
    {"junk", 29604, "Temporary files Cleaner", 10609,
     "Clean up temporary file and recover disk space"},
    {"privacy", 29605, "Tracks Eraser", 10611, "Erase your activity history and internet traces"},
    {"Spyware", 29606, "Spyware Remover", 10613, "Scan and remove spyware or adware"},
}};

// The design layout of the page area; the skin moves the two buttons.
constexpr int kRowTop = 8;
constexpr int kRowHeight = 38;
constexpr int kStatusMs = 50;      // display rate of the published status
constexpr int kTrayFrameMs = 400;  // tray animation during an unattended run

}  // namespace

Tfrmoneclick::Tfrmoneclick(AppSession& session, QWidget* parent) : SkinnedPage(session, parent) {
    setObjectName(QStringLiteral("Tfrmoneclick"));
    for (int i = 0; i < kCategories; ++i) {
        Row& row = rows_[i];
        const QString name = QString::fromLatin1(kTexts[i].name);
        row.marker = new QLabel(this);
        row.marker->setObjectName(QStringLiteral("img") + name);
        row.marker->hide();
        row.cb = new QCheckBox(this);
        row.cb->setObjectName(QStringLiteral("cb") + name);
        row.title = new QLabel(this);
        row.title->setObjectName(QStringLiteral("lb") + name);
        QFont bold = row.title->font();
        bold.setBold(true);
        row.title->setFont(bold);
        row.title->setCursor(Qt::PointingHandCursor);
        row.title->installEventFilter(this);
        row.description = new QLabel(this);
        QFont small = row.description->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        row.description->setFont(small);
        row.result = new QLabel(this);
        row.result->setObjectName(QStringLiteral("lb") + name + QStringLiteral("Scan"));
        row.result->hide();
        row.details = new QLabel(this);
        row.details->setObjectName(QStringLiteral("lb") + name + QStringLiteral("Details"));
        row.details->setTextFormat(Qt::RichText);
        row.details->setCursor(Qt::PointingHandCursor);
        row.details->hide();
        connect(row.details, &QLabel::linkActivated, this, [this, i] {
            if (actions_.details) actions_.details(i);
        });
    }
    lbProcess_ = new QLabel(this);
    lbProcess_->setObjectName(QStringLiteral("lbProcess"));
    lbProcess_->hide();
    ProgressBar1_ = new QProgressBar(this);
    ProgressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1_->setRange(0, 100);
    ProgressBar1_->setTextVisible(false);
    ProgressBar1_->hide();
    anProcess_ = new ScanAnimation(this);
    anProcess_->setObjectName(QStringLiteral("anProcess"));
    anProcess_->hide();
    lbContinue_ = new QLabel(this);
    lbContinue_->setObjectName(QStringLiteral("lbContinue"));
    lbContinue_->hide();
    btnstart_ = new SkinButton(this);
    btnstart_->setObjectName(QStringLiteral("btnstart"));
    btnCancel_ = new SkinButton(this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    for (SkinButton* b : {btnstart_, btnCancel_}) {
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
    }
    btnCancel_->setEnabled(false);
    connect(btnstart_, &QAbstractButton::clicked, this, &Tfrmoneclick::btnStartClick);
    connect(btnCancel_, &QAbstractButton::clicked, this, &Tfrmoneclick::btnCancelClick);

    CoolTrayIcon1_ = new QSystemTrayIcon(this);
    connect(CoolTrayIcon1_, &QSystemTrayIcon::activated, this, [this] {
        QWidget* top = window();
        top->show();
        top->raise();
        top->activateWindow();
    });
    // Clicked or dismissed: Qt reports only the click; a timed-out balloon is covered by a timer
    // of the same length in showBalloon().
    connect(CoolTrayIcon1_, &QSystemTrayIcon::messageClicked, this, &Tfrmoneclick::balloonClosed);

    statusTimer_.setInterval(kStatusMs);
    connect(&statusTimer_, &QTimer::timeout, this, &Tfrmoneclick::pollStatus);
    trayTimer_.setInterval(kTrayFrameMs);
    connect(&trayTimer_, &QTimer::timeout, this, [this] {
        trayFrame_ = (trayFrame_ + 1) % 8;
        CoolTrayIcon1_->setIcon(AppIconFrame(trayIcon_, trayFrame_ * 45));
    });
    // Colours, images and geometry are valid from the start, before any host applies a skin.
    applySkin();
}

Tfrmoneclick::~Tfrmoneclick() {
    engine_.reset();
    statusTimer_.stop();
}

void Tfrmoneclick::setHosted(bool hosted) {
    hosted_ = hosted;
    if (hosted) CoolTrayIcon1_->hide();
    retranslate();
}

void Tfrmoneclick::retranslate() {
    const core::LanguageTable& lang = session_.language();
    for (int i = 0; i < kCategories; ++i) {
        rows_[i].title->setText(uiText(lang, kTexts[i].title, kTexts[i].englishTitle));
        rows_[i].description->setText(
            uiText(lang, kTexts[i].description, kTexts[i].englishDescription));
    }
    btnstart_->setText(startTag_ == 2 ? uiText(lang, 10627, "Repair Problems")
                                      : uiText(lang, 10616, "Scan"));
    btnCancel_->setText(uiText(lang, 10013, "Cancel"));
    if (!hosted_) {
        const QString caption = toQ(core::ProductTitle()) + QStringLiteral(" - ") +
                                uiText(lang, 29001, "One-Click Maintenance");
        window()->setWindowTitle(caption);
        CoolTrayIcon1_->setToolTip(caption);
    }
    applySkin();
}

void Tfrmoneclick::applySkin() {
    SkinnedPage::applySkin();
    const Skin& skin = session_.skin();
    normal_ = skin.color("text", palette().color(QPalette::WindowText));
    highlight_ = skin.color("found", QColor(0xc0, 0x39, 0x2b));
    const QColor description = skin.color("description", QColor(0x6b, 0x77, 0x85));
    link_ = skin.color("link", QColor(0x0b, 0x5c, 0xb5));
    const QColor link = link_;
    auto paint = [](QWidget* w, const QColor& c) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, c);
        p.setColor(QPalette::Link, c);
        w->setPalette(p);
    };
    const qreal ratio = devicePixelRatioF();
    const QPixmap marker = RenderSkinImage(skin.image("marker"), QSize(12, 12), ratio);
    for (int i = 0; i < kCategories; ++i) {
        paint(rows_[i].title, normal_);
        paint(rows_[i].cb, normal_);
        paint(rows_[i].description, description);
        paint(rows_[i].details, link);
        // Rich-text links take their colour from the markup, not from the label's palette.
        rows_[i].details->setText(
            QStringLiteral("<a href=\"details\" style=\"color:%1\">%2</a>")
                .arg(link_.name(),
                     uiText(session_.language(), 10615, "Show Details").toHtmlEscaped()));
        rows_[i].marker->setPixmap(marker);
        colourResult(i);
    }
    paint(lbProcess_, normal_);
    paint(lbContinue_, normal_);
    const QColor buttonText = skin.color("buttontext", Qt::white);
    for (SkinButton* b : {btnstart_, btnCancel_}) {
        b->setImages(skin.image("btnnormal"), skin.image("btnhover"), skin.image("btndown"));
        b->setTextColors(buttonText, buttonText);
    }
    std::filesystem::path animation = skin.image("animation");
    anProcess_->setFile(animation);
    trayIcon_ = AppIcon(skin, session_.programDir());
    if (!trayTimer_.isActive()) CoolTrayIcon1_->setIcon(trayIcon_);
    layoutControls();
}

void Tfrmoneclick::resizeEvent(QResizeEvent* event) {
    SkinnedPage::resizeEvent(event);
    layoutControls();
}

void Tfrmoneclick::layoutControls() {
    const int w = std::max(width(), 400);
    const int h = std::max(height(), 300);
    const int resultLeft = w - 250;
    for (int i = 0; i < kCategories; ++i) {
        const int top = kRowTop + i * kRowHeight;
        Row& row = rows_[i];
        row.marker->setGeometry(8, top + 4, 12, 12);
        row.cb->setGeometry(24, top + 1, 20, 20);
        row.title->setGeometry(46, top + 1, resultLeft - 52, 20);
        row.description->setGeometry(46, top + 19, resultLeft - 52, 16);
        row.result->setGeometry(resultLeft, top + 1, 160, 20);
        row.details->setGeometry(resultLeft, top + 19, 160, 16);
    }
    const Skin& skin = session_.skin();
    const QRect start = skin.rect("btnstart", QRect(w - 164, h - 36, 150, 30), w);
    const QRect cancel = skin.rect("btncancel", QRect(w - 272, h - 36, 100, 30), w);
    btnstart_->setGeometry(start);
    btnCancel_->setGeometry(cancel);
    const int statusTop = kRowTop + kCategories * kRowHeight + 4;
    anProcess_->setGeometry(14, statusTop, 32, 32);
    lbProcess_->setGeometry(54, statusTop, w - 68, 18);
    ProgressBar1_->setGeometry(54, statusTop + 20, w - 68, 12);
    lbContinue_->setGeometry(14, start.top(), std::max(40, cancel.left() - 24), start.height());
}

bool Tfrmoneclick::categoryTicked(int category) const {
    return category >= 0 && category < kCategories && rows_[category].cb->isChecked();
}

void Tfrmoneclick::setCategoryTicked(int category, bool ticked) {
    if (category >= 0 && category < kCategories) rows_[category].cb->setChecked(ticked);
}

void Tfrmoneclick::setResult(int category, const QString& text, bool highlight) {
    if (category < 0 || category >= kCategories) return;
    Row& row = rows_[category];
    row.result->setText(text);
    row.result->setVisible(!text.isEmpty());
    row.highlighted = highlight;
    colourResult(category);
}

void Tfrmoneclick::colourResult(int category) {
    Row& row = rows_[category];
    QPalette p = row.result->palette();
    p.setColor(QPalette::WindowText, row.highlighted ? highlight_ : normal_);
    row.result->setPalette(p);
    QFont f = row.result->font();
    f.setBold(row.highlighted);
    row.result->setFont(f);
}

QColor Tfrmoneclick::resultColor(int category) const {
    return rows_[category].highlighted ? highlight_ : normal_;
}

void Tfrmoneclick::setDetailsVisible(int category, bool visible) {
    if (category >= 0 && category < kCategories) rows_[category].details->setVisible(visible);
}

void Tfrmoneclick::setCurrentCategory(int category) {
    currentCategory_ = category;
    for (int i = 0; i < kCategories; ++i)
        rows_[i].marker->setVisible(i == category);
}

void Tfrmoneclick::setStatusSink(core::StatusSink* sink) {
    sink_ = sink;
    shownGeneration_ = 0;
    if (sink_) {
        statusTimer_.start();
        pollStatus();
    } else {
        statusTimer_.stop();
    }
}

void Tfrmoneclick::pollStatus() {
    if (!sink_) return;
    const core::StatusSink::Snapshot snapshot = sink_->snapshot();
    if (snapshot.generation == shownGeneration_) return;
    shownGeneration_ = snapshot.generation;
    setStatus(toQ(snapshot.text), snapshot.position);
}

void Tfrmoneclick::setStatus(const QString& text, int position) {
    lbProcess_->setText(
        lbProcess_->fontMetrics().elidedText(text, Qt::ElideLeft, lbProcess_->width()));
    ProgressBar1_->setValue(std::clamp(position, 0, 100));
}

void Tfrmoneclick::setBusy(bool busy) {
    lbProcess_->setVisible(busy);
    ProgressBar1_->setVisible(busy);
    if (busy) {
        anProcess_->play();
        lbContinue_->hide();
    } else {
        anProcess_->stop();
        setCurrentCategory(-1);
    }
}

void Tfrmoneclick::setSummary(const QString& text, bool visible) {
    lbContinue_->setText(text);
    lbContinue_->setVisible(visible);
}

void Tfrmoneclick::setStartButton(const QString& text, int tag) {
    btnstart_->setText(text);
    startTag_ = tag;
}

void Tfrmoneclick::setStartEnabled(bool enabled) {
    btnstart_->setEnabled(enabled);
}
void Tfrmoneclick::setCancelEnabled(bool enabled) {
    btnCancel_->setEnabled(enabled);
}

void Tfrmoneclick::setTrayVisible(bool visible) {
    CoolTrayIcon1_->setVisible(visible);
}

void Tfrmoneclick::setTrayAnimated(bool animated) {
    if (animated) {
        trayTimer_.start();
    } else {
        trayTimer_.stop();
        CoolTrayIcon1_->setIcon(trayIcon_);
    }
}

void Tfrmoneclick::showBalloon(const QString& title, const QString& text, int seconds) {
    CoolTrayIcon1_->show();
    CoolTrayIcon1_->showMessage(title, text, QSystemTrayIcon::Information, seconds * 1000);
    // Qt does not report a balloon that timed out or was closed; it is gone after its time.
    QTimer::singleShot(seconds * 1000, this, &Tfrmoneclick::balloonClosed);
}

void Tfrmoneclick::btnStartClick() {
    if (actions_.start) actions_.start();
}

void Tfrmoneclick::btnCancelClick() {
    setTrayAnimated(false);
    if (actions_.cancel) actions_.cancel();
}

void Tfrmoneclick::prepareClose() {
    if (actions_.closing) actions_.closing();
}

void Tfrmoneclick::closeEvent(QCloseEvent* event) {
    prepareClose();
    setStatusSink(nullptr);
    SkinnedPage::closeEvent(event);
}

bool Tfrmoneclick::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (Row& row : rows_) {
            if (watched == row.title) {
                row.cb->toggle();
                return true;
            }
        }
    }
    return SkinnedPage::eventFilter(watched, event);
}

}  // namespace quorvel::ui
