#pragma once

#include <QWidget>

namespace quorvel::ui {

// A page of the main window (status, one-click, tools). The window creates each page on its
// first visit and asks it to translate its texts again after the language changed and to lay
// itself out again after a skin change.
class HostedPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void retranslate() = 0;
    virtual void applySkin() = 0;
    // The window is about to close: stop what runs (a scan waits for its worker to end).
    virtual void prepareClose() {}
};

}  // namespace quorvel::ui
