#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "oneclick/CategoryTasks.h"
#include "oneclick/OneClickRun.h"
#include "oneclick/OneClickView.h"
#include "ui/AppSession.h"
#include "ui/Launcher.h"
#include "ui/OneClickPage.h"

namespace quorvel::ui {

// Connects the one-click page to the one-click engine: the page is the engine's view, its
// buttons and check boxes drive the engine, and its details links open the results windows.
// Owned by the page; the engine's run ends (cancelled) before the page's controls go away.
class OneClickPageDriver final : public QObject,
                                 public oneclick::OneClickView,
                                 public OneClickPageEngine {
    Q_OBJECT
public:
    OneClickPageDriver(AppSession& session, Tfrmoneclick& page, Launcher launcher);
    ~OneClickPageDriver() override;

    // Makes the driver for page and hands it to the page.
    static OneClickPageDriver& Attach(AppSession& session, Tfrmoneclick& page, Launcher launcher);

    oneclick::OneClickRun& run() { return *run_; }
    // The page asks to close (the unattended pass is over); unhosted pages close their window.
    void setCloseHandler(std::function<void()> handler) { closeHandler_ = std::move(handler); }
    // Replaces the modal details windows (tests).
    void setDetailsHandler(std::function<void(oneclick::ScanCategory)> handler) {
        detailsHandler_ = std::move(handler);
    }
    static bool HasDetailsWindow(oneclick::ScanCategory category);

    // oneclick::OneClickView
    void setResult(oneclick::ScanCategory category, const std::string& text,
                   bool highlight) override;
    void setDetailsVisible(oneclick::ScanCategory category, bool visible) override;
    void setCurrentCategory(std::optional<oneclick::ScanCategory> category) override;
    void setBusy(bool busy, core::StatusSink* status) override;
    void setSummary(const std::string& text, bool visible) override;
    void setStartButton(const std::string& text, oneclick::StartTag tag) override;
    void setButtonsEnabled(bool startEnabled, bool cancelEnabled) override;
    void setTrayAnimated(bool animated) override;
    void showBalloon(const std::string& title, const std::string& text, int seconds) override;
    void closePage() override;

private:
    void openDetails(int category);
    void storeSelection();

    AppSession& session_;
    Tfrmoneclick& page_;
    Launcher launcher_;
    oneclick::CategorySet categories_;
    std::unique_ptr<oneclick::OneClickRun> run_;
    std::function<void()> closeHandler_;
    std::function<void(oneclick::ScanCategory)> detailsHandler_;
    bool closing_ = false;
};

}  // namespace quorvel::ui
