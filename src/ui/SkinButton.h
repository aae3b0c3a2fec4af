#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <filesystem>

namespace quorvel::ui {

// A skinned image button: normal, hover and pressed images drawn at the button's size, the text
// centred over them. A selected button (the page now shown) keeps its pressed image and takes the
// highlight colour. Without images it draws a plain rounded face so it stays usable.
class SkinButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SkinButton(QWidget* parent = nullptr);

    void setImages(std::filesystem::path normal, std::filesystem::path hover,
                   std::filesystem::path down);
    void setTextColors(const QColor& normal, const QColor& highlight);
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    QColor currentTextColor() const { return selected_ ? highlight_ : normal_; }

    QSize sizeHint() const override { return {80, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const QPixmap& face(int state);

    std::filesystem::path files_[3];
    QPixmap cache_[3];
    QColor normal_{Qt::black};
    QColor highlight_{Qt::black};
    bool selected_ = false;
    bool hovered_ = false;
};

}  // namespace quorvel::ui
