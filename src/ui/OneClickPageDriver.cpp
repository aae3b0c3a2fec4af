#include "ui/OneClickPageDriver.h"

#include <QFontMetrics>

#include "oneclick/Categories.h"
#include "oneclick/OneClickSettings.h"
#include "ui/JunkResultsWindow.h"
#include "ui/RegistryResultsWindow.h"
#include "ui/ShortcutsResultsWindow.h"
#include "ui/StartupWindow.h"
#include "ui/UiText.h"

namespace quorvel::ui {

using oneclick::ScanCategory;

OneClickPageDriver::OneClickPageDriver(AppSession& session, Tfrmoneclick& page, Launcher launcher)
    : session_(session),
      page_(page),
      launcher_(std::move(launcher)),
      categories_(oneclick::MakeCategories({session.regFindings(), session.ignoreLists(),
                                            &session.junkFindings(), &session.shortcutFindings(),
                                            &session.startupFindings()})) {
    run_ = std::make_unique<oneclick::OneClickRun>(session_.context(), session_.bridge(), *this,
                                                   categories_, session_.ignoreLists());
    // The ticks stored at the last close.
    const oneclick::Selection selection = oneclick::LoadSelection(session_.machine().registry());
    session_.flush();
    run_->setSelection(selection);
    for (ScanCategory c : oneclick::kAllCategories) {
        const int i = oneclick::Index(c);
        page_.setCategoryTicked(i, selection[i]);
        connect(page_.checkBox(i), &QCheckBox::toggled, this,
                [this, c](bool ticked) { run_->setSelected(c, ticked); });
    }
    page_.setActions({[this] { run_->start(); }, [this] { run_->cancel(); },
                      [this](int category) { openDetails(category); },
                      [this] { storeSelection(); }});
    connect(&page_, &Tfrmoneclick::balloonClosed, this, [this] { run_->balloonClosed(); });
    run_->showIdle();
}

OneClickPageDriver::~OneClickPageDriver() {
    // A running pass is cancelled and its worker awaited while the page still stands.
    run_.reset();
}

OneClickPageDriver& OneClickPageDriver::Attach(AppSession& session, Tfrmoneclick& page,
                                               Launcher launcher) {
    auto driver = std::make_unique<OneClickPageDriver>(session, page, std::move(launcher));
    OneClickPageDriver& ref = *driver;
    page.setEngine(std::move(driver));
    return ref;
}

bool OneClickPageDriver::HasDetailsWindow(ScanCategory category) {
    return category == ScanCategory::Registry || category == ScanCategory::Shortcuts ||
           category == ScanCategory::Startup || category == ScanCategory::Junk;
}

void OneClickPageDriver::storeSelection() {
    // Closing the page or the program cancels a running pass first, then keeps the ticks.
    run_->cancel();
    oneclick::SaveSelection(session_.machine().registry(), run_->selection());
    session_.flush();
}

void OneClickPageDriver::openDetails(int category) {
    if (category < 0 || category >= oneclick::kCategoryCount || run_->running()) return;
    const auto c = static_cast<ScanCategory>(category);
    if (detailsHandler_) {
        detailsHandler_(c);
        return;
    }
    if (c == ScanCategory::Registry) {
        TfrmRegistry window(session_, launcher_, page_.window());
        window.exec();
    } else if (c == ScanCategory::Shortcuts) {
        TfrmShortcuts window(session_, page_.window());
        window.exec();
    } else if (c == ScanCategory::Startup) {
        TfrmStartup window(session_, session_.startupFindings(), page_.window());
        window.exec();
    } else if (c == ScanCategory::Junk) {
        TfrmJunk window(session_, page_.window());
        window.exec();
    }
}

void OneClickPageDriver::setResult(ScanCategory category, const std::string& text, bool highlight) {
    page_.setResult(oneclick::Index(category), toQ(text), highlight);
}

void OneClickPageDriver::setDetailsVisible(ScanCategory category, bool visible) {
    page_.setDetailsVisible(oneclick::Index(category), visible && HasDetailsWindow(category));
}

void OneClickPageDriver::setCurrentCategory(std::optional<ScanCategory> category) {
    page_.setCurrentCategory(category ? oneclick::Index(*category) : -1);
}

void OneClickPageDriver::setBusy(bool busy, core::StatusSink* status) {
    if (busy && status) {
        // The ".." shortening of the workers uses how many letters fit the status line.
        const QFontMetrics metrics = page_.statusLabel()->fontMetrics();
        const int letter = std::max(1, metrics.horizontalAdvance(QLatin1Char('A')));
        status->setWidthChars(std::max(10, page_.statusLabel()->width() / letter));
    }
    page_.setBusy(busy);
    page_.setStatusSink(busy ? status : nullptr);
}

void OneClickPageDriver::setSummary(const std::string& text, bool visible) {
    page_.setSummary(toQ(text), visible);
}

void OneClickPageDriver::setStartButton(const std::string& text, oneclick::StartTag tag) {
    page_.setStartButton(toQ(text), static_cast<int>(tag));
}

void OneClickPageDriver::setButtonsEnabled(bool startEnabled, bool cancelEnabled) {
    page_.setStartEnabled(startEnabled);
    page_.setCancelEnabled(cancelEnabled);
}

void OneClickPageDriver::setTrayAnimated(bool animated) {
    page_.setTrayAnimated(animated);
}

void OneClickPageDriver::showBalloon(const std::string& title, const std::string& text,
                                     int seconds) {
    page_.showBalloon(toQ(title), toQ(text), seconds);
}

void OneClickPageDriver::closePage() {
    if (closing_) return;
    closing_ = true;
    // Closed from the event loop, never from inside the engine's own call.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (closeHandler_)
                closeHandler_();
            else if (!page_.hosted())
                page_.window()->close();
            closing_ = false;
        },
        Qt::QueuedConnection);
}

}  // namespace quorvel::ui
