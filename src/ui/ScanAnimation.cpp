#include "ui/ScanAnimation.h"

#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include "ui/SkinImage.h"

namespace quorvel::ui {

namespace {
constexpr int kFrameMs = 80;
constexpr int kMaxFrames = 240;
}  // namespace

ScanAnimation::ScanAnimation(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (frames_.empty()) return;
        frame_ = (frame_ + 1) % frameCount();
        update();
    });
}

void ScanAnimation::setFile(const std::filesystem::path& file) {
    file_ = file;
    loadFrames();
}

void ScanAnimation::loadFrames() {
    frames_.clear();
    frame_ = 0;
    const int side = std::min(width(), height());
    if (file_.empty() || side <= 0) return;
    // First learn the strip's proportions from a one-frame-high rendering of the whole file.
    const QPixmap probe = RenderSkinImage(file_, QSize(side, side), 1.0);
    if (probe.isNull()) return;
    const QString name = QString::fromStdString(file_.string());
    QSize natural = QSvgRenderer(name).defaultSize();
    if (!natural.isValid() || natural.isEmpty()) natural = QImageReader(name).size();
    int count = 1;
    if (natural.height() > 0) count = std::clamp(natural.width() / natural.height(), 1, kMaxFrames);
    const qreal ratio = devicePixelRatioF();
    const QPixmap strip = RenderSkinImage(file_, QSize(side * count, side), ratio);
    if (strip.isNull()) return;
    const int frameDevice = static_cast<int>(side * ratio);
    for (int i = 0; i < count; ++i) {
        QPixmap frame = strip.copy(i * frameDevice, 0, frameDevice, frameDevice);
        frame.setDevicePixelRatio(ratio);
        frames_.push_back(frame);
    }
    update();
}

void ScanAnimation::play() {
    frame_ = 0;
    show();
    timer_.start();
}

void ScanAnimation::stop() {
    timer_.stop();
    hide();
}

void ScanAnimation::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    loadFrames();
}

void ScanAnimation::paintEvent(QPaintEvent*) {
    if (frames_.empty()) return;
    QPainter painter(this);
    const QPixmap& frame = frames_[static_cast<std::size_t>(frame_) % frames_.size()];
    const QSize s = frame.deviceIndependentSize().toSize();
    painter.drawPixmap(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), frame);
}

}  // namespace quorvel::ui
