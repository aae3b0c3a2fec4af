#include "ui/SkinnedPage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "ui/SkinImage.h"

namespace quorvel::ui {

SkinnedPage::SkinnedPage(AppSession& session, QWidget* parent)
    : HostedPage(parent), session_(session) {}

void SkinnedPage::applySkin() {
    background_ = {};
    update();
}

QColor SkinnedPage::skinColor(std::string_view key, const QColor& fallback) const {
    return session_.skin().color(key, fallback);
}

void SkinnedPage::resizeEvent(QResizeEvent* event) {
    background_ = {};
    HostedPage::resizeEvent(event);
}

void SkinnedPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull() || background_.deviceIndependentSize().toSize() != size())
        background_ = RenderSkinImage(session_.skin().image("pagebg"), size(), devicePixelRatioF());
    if (!background_.isNull())
        painter.drawPixmap(rect(), background_);
    else
        painter.fillRect(rect(), palette().base());
}

void SkinnedPage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return HostedPage::mousePressEvent(event);
    QWidget* top = window();
    if (QWindow* handle = top->windowHandle(); handle && handle->startSystemMove()) return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - top->frameGeometry().topLeft();
}

void SkinnedPage::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) window()->move(event->globalPosition().toPoint() - dragOffset_);
    HostedPage::mouseMoveEvent(event);
}

void SkinnedPage::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    HostedPage::mouseReleaseEvent(event);
}

}  // namespace quorvel::ui
