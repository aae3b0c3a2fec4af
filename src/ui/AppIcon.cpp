#include "ui/AppIcon.h"

#include <QPainter>

#include "ui/SkinImage.h"

namespace quorvel::ui {

namespace {

QPixmap drawnMark(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x6f, 0xc5));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    painter.setPen(QPen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(size * 0.3, size * 0.52), QPointF(size * 0.45, size * 0.68));
    painter.drawLine(QPointF(size * 0.45, size * 0.68), QPointF(size * 0.72, size * 0.34));
    return pixmap;
}

}  // namespace

QIcon AppIcon(const Skin& skin, const std::filesystem::path& programDir) {
    std::filesystem::path file = skin.image("appicon");
    if (file.empty())
        file = Skin::load(programDir / "skins" / "Default" / "skin.ini").image("appicon");
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap = RenderSkinImage(file, QSize(size, size), 1.0);
        icon.addPixmap(pixmap.isNull() ? drawnMark(size) : pixmap);
    }
    return icon;
}

QIcon AppIconFrame(const QIcon& icon, int angle) {
    QIcon frame;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap turned(size, size);
        turned.fill(Qt::transparent);
        QPainter painter(&turned);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(size / 2.0, size / 2.0);
        painter.rotate(angle);
        painter.translate(-size / 2.0, -size / 2.0);
        painter.drawPixmap(0, 0, icon.pixmap(size, size));
        painter.end();
        frame.addPixmap(turned);
    }
    return frame;
}

}  // namespace quorvel::ui
