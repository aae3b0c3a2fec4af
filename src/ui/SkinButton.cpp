#include "ui/SkinButton.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/SkinImage.h"

namespace quorvel::ui {

namespace {
enum Face { Normal = 0, Hover = 1, Down = 2 };
}

SkinButton::SkinButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void SkinButton::setImages(std::filesystem::path normal, std::filesystem::path hover,
                           std::filesystem::path down) {
    files_[Normal] = std::move(normal);
    files_[Hover] = std::move(hover);
    files_[Down] = std::move(down);
    for (QPixmap& p : cache_)
        p = {};
    update();
}

void SkinButton::setTextColors(const QColor& normal, const QColor& highlight) {
    normal_ = normal;
    highlight_ = highlight;
    update();
}

void SkinButton::setSelected(bool selected) {
    selected_ = selected;
    update();
}

const QPixmap& SkinButton::face(int state) {
    const qreal ratio = devicePixelRatioF();
    QPixmap& p = cache_[state];
    if (p.isNull() || p.deviceIndependentSize().toSize() != size() ||
        p.devicePixelRatio() != ratio) {
        std::filesystem::path file = files_[state];
        if (file.empty()) file = files_[Normal];
        p = RenderSkinImage(file, size(), ratio);
    }
    return p;
}

void SkinButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    int state = Normal;
    if (isDown() || selected_)
        state = Down;
    else if (hovered_ && isEnabled())
        state = Hover;
    const QPixmap& pixmap = face(state);
    if (!pixmap.isNull()) {
        painter.drawPixmap(rect(), pixmap);
    } else {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        painter.fillPath(path, state == Down ? palette().mid() : palette().button());
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawPath(path);
    }
    if (!icon().isNull()) {
        const QSize s = iconSize();
        const QRect r(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
        icon().paint(&painter, r);
    }
    if (!text().isEmpty()) {
        QColor color = currentTextColor();
        if (!isEnabled()) color.setAlpha(110);
        painter.setPen(color);
        painter.setFont(font());
        painter.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignCenter | Qt::TextShowMnemonic,
                         text());
    }
}

}  // namespace quorvel::ui
