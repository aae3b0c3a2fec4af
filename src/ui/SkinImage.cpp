#include "ui/SkinImage.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include "platform/text/CaseInsensitive.h"

namespace quorvel::ui {

QPixmap RenderSkinImage(const std::filesystem::path& file, QSize size, qreal pixelRatio) {
    if (file.empty() || size.isEmpty()) return {};
    const QString name = QString::fromStdString(file.string());
    const QSize device = (QSizeF(size) * pixelRatio).toSize();
    if (device.isEmpty() || device.width() > 16384 || device.height() > 16384) return {};
    QImage image;
    if (platform::text::iendsWith(file.string(), ".svg")) {
        QSvgRenderer renderer(name);
        if (!renderer.isValid()) return {};
        image = QImage(device, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
    } else {
        if (!image.load(name)) return {};
        image = image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(pixelRatio);
    return pixmap;
}

}  // namespace quorvel::ui
