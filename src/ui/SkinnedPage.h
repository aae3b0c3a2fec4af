#pragma once

#include <QPixmap>

#include "ui/AppSession.h"
#include "ui/HostedPage.h"

namespace quorvel::ui {

// A hosted page that paints the skin's page background (the image all pages share) and drags
// the window that holds it when its background is pressed.
class SkinnedPage : public HostedPage {
    Q_OBJECT
public:
    SkinnedPage(AppSession& session, QWidget* parent);

    void applySkin() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A colour of the skin's [colors], with the palette's text colour as fallback.
    QColor skinColor(std::string_view key, const QColor& fallback) const;

    AppSession& session_;

private:
    QPixmap background_;
    QPoint dragOffset_;
    bool dragging_ = false;
};

}  // namespace quorvel::ui
