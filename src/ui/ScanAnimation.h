#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <vector>

namespace quorvel::ui {

// The small animation shown while a scan or repair runs. Its file is a strip of square frames
// side by side (SVG drawn sharp at any scale, or any image format). A missing or unreadable file
// leaves the animation empty; the run goes on.
class ScanAnimation : public QWidget {
    Q_OBJECT
public:
    explicit ScanAnimation(QWidget* parent = nullptr);

    void setFile(const std::filesystem::path& file);
    void play();
    void stop();
    bool playing() const { return timer_.isActive(); }
    int frameCount() const { return static_cast<int>(frames_.size()); }
    int currentFrame() const { return frame_; }

    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void loadFrames();

    std::filesystem::path file_;
    std::vector<QPixmap> frames_;
    QTimer timer_;
    int frame_ = 0;
};

}  // namespace quorvel::ui
