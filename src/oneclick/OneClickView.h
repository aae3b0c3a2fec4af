#pragma once

#include <optional>
#include <string>

#include "oneclick/ScanCategory.h"

namespace quorvel::core {
class StatusSink;
}

namespace quorvel::oneclick {

// The state of the start button: it starts a scan, or the repair of what the last scan found.
enum class StartTag { Scan = 1, Repair = 2 };

// What the one-click engine shows. The GUI page and the command line each implement it; every
// call comes on the UI thread. Texts are final (already translated).
class OneClickView {
public:
    virtual ~OneClickView() = default;

    // A category's result label: the text, and whether it takes the highlight colour (findings)
    // or the normal colour. Shown by this call.
    virtual void setResult(ScanCategory category, const std::string& text, bool highlight) = 0;
    // The category's "Show Details" link.
    virtual void setDetailsVisible(ScanCategory category, bool visible) = 0;
    // The category now at work; none between categories and after the run.
    virtual void setCurrentCategory(std::optional<ScanCategory> category) = 0;

    // Busy: the animation plays and the status label and progress bar are shown; they show what
    // the sink holds (the engine owns the sink; it lives as long as the engine). Not busy: all
    // three are hidden.
    virtual void setBusy(bool busy, core::StatusSink* status) = 0;
    // The summary label below the categories.
    virtual void setSummary(const std::string& text, bool visible) = 0;
    // The start button's text and tag, and which of the two buttons can be pressed.
    virtual void setStartButton(const std::string& text, StartTag tag) = 0;
    virtual void setButtonsEnabled(bool startEnabled, bool cancelEnabled) = 0;

    // The unattended pass: the tray icon's animation and the report balloon. The view calls
    // OneClickRun::balloonClosed() when the balloon goes away.
    virtual void setTrayAnimated(bool animated) = 0;
    virtual void showBalloon(const std::string& title, const std::string& text, int seconds) = 0;
    // The unattended pass is over and nothing waits for a repair (or it was cancelled): the page
    // closes.
    virtual void closePage() = 0;
};

}  // namespace quorvel::oneclick
