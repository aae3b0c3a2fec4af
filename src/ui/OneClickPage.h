#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "core/threads/StatusSink.h"
#include "ui/ScanAnimation.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedPage.h"

namespace quorvel::ui {

// What drives the page (the one-click engine's binding); the page owns it and ends it first
// when it goes away.
class OneClickPageEngine {
public:
    virtual ~OneClickPageEngine() = default;
};

// The one-click page: the six categories with their check boxes, results and details links, the
// status line, progress bar and animation, the summary and the Scan/Repair and Cancel buttons.
// It is a view: what runs and what it shows is decided by the one-click engine, which drives the
// page through the view operations below and learns of clicks through the actions.
class Tfrmoneclick : public SkinnedPage {
    Q_OBJECT
public:
    static constexpr int kCategories = 6;  // Registry, Shortcuts, Startup, Junk, Tracks, Spyware

    // What the page's controls ask of the engine.
    struct Actions {
        std::function<void()> start;                // btnstart: scan or repair by its tag
        std::function<void()> cancel;               // btnCancel
        std::function<void(int category)> details;  // a "Show Details" link
        std::function<void()> closing;              // the page closes: cancel and store ticks
    };

    Tfrmoneclick(AppSession& session, QWidget* parent);
    ~Tfrmoneclick() override;

    void setActions(Actions actions) { actions_ = std::move(actions); }
    void setEngine(std::unique_ptr<OneClickPageEngine> engine) { engine_ = std::move(engine); }
    OneClickPageEngine* engine() const { return engine_.get(); }
    // Hosted in the main window: no caption or tray icon of its own.
    void setHosted(bool hosted);
    bool hosted() const { return hosted_; }

    void retranslate() override;
    void applySkin() override;
    void prepareClose() override;

    // --- View operations (called by the engine on the UI thread) ---
    bool categoryTicked(int category) const;
    void setCategoryTicked(int category, bool ticked);
    // Result label: text and whether it takes the highlight colour; an empty text hides it.
    void setResult(int category, const QString& text, bool highlight);
    void setDetailsVisible(int category, bool visible);
    // The marker of the category at work (-1: none).
    void setCurrentCategory(int category);
    // The status line and progress bar show what the sink holds, at display rate.
    void setStatusSink(core::StatusSink* sink);
    void setStatus(const QString& text, int position);
    void setBusy(bool busy);  // animation, status line and progress bar; Cancel enabled
    void setSummary(const QString& text, bool visible);
    void setStartButton(const QString& text, int tag);
    int startTag() const { return startTag_; }
    void setStartEnabled(bool enabled);
    void setCancelEnabled(bool enabled);
    // The page's own tray icon (unhosted use): shown, animated, balloon.
    void setTrayVisible(bool visible);
    void setTrayAnimated(bool animated);
    void showBalloon(const QString& title, const QString& text, int seconds);

    // Controls, for the engine's tests and the screenshots.
    QCheckBox* checkBox(int category) const { return rows_[category].cb; }
    QLabel* resultLabel(int category) const { return rows_[category].result; }
    QLabel* detailsLink(int category) const { return rows_[category].details; }
    QLabel* summaryLabel() const { return lbContinue_; }
    QLabel* statusLabel() const { return lbProcess_; }
    QProgressBar* progressBar() const { return ProgressBar1_; }
    SkinButton* startButton() const { return btnstart_; }
    SkinButton* cancelButton() const { return btnCancel_; }
    ScanAnimation* animation() const { return anProcess_; }
    QSystemTrayIcon* trayIcon() const { return CoolTrayIcon1_; }
    QColor resultColor(int category) const;

signals:
    // The balloon went away (hidden, timed out or clicked).
    void balloonClosed();

public slots:
    void btnStartClick();
    void btnCancelClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QLabel* marker = nullptr;
        QCheckBox* cb = nullptr;
        QLabel* title = nullptr;
        QLabel* description = nullptr;
        QLabel* result = nullptr;
        QLabel* details = nullptr;
        bool highlighted = false;
    };
    void layoutControls();
    void colourResult(int category);
    void pollStatus();

    Actions actions_;
    bool hosted_ = true;
    int startTag_ = 1;
    int currentCategory_ = -1;
    std::array<Row, kCategories> rows_{};
    QLabel* lbProcess_ = nullptr;
    QProgressBar* ProgressBar1_ = nullptr;
    ScanAnimation* anProcess_ = nullptr;
    QLabel* lbContinue_ = nullptr;
    SkinButton* btnstart_ = nullptr;
    SkinButton* btnCancel_ = nullptr;
    QSystemTrayIcon* CoolTrayIcon1_ = nullptr;
    QTimer statusTimer_;
    QTimer trayTimer_;
    int trayFrame_ = 0;
    QIcon trayIcon_;
    core::StatusSink* sink_ = nullptr;
    std::uint64_t shownGeneration_ = 0;
    QColor normal_;
    QColor highlight_;
    QColor link_{0x0b, 0x5c, 0xb5};
    std::unique_ptr<OneClickPageEngine> engine_;  // last: it goes first
};

}  // namespace quorvel::ui
