#pragma once

#include <QPixmap>
#include <QSize>
#include <filesystem>

namespace quorvel::ui {

// An image of a skin drawn at size (logical pixels) for a screen with the given pixel ratio:
// SVG files are rendered sharp at any ratio, other formats scaled. A missing or unreadable file
// gives a null pixmap.
QPixmap RenderSkinImage(const std::filesystem::path& file, QSize size, qreal pixelRatio);

}  // namespace quorvel::ui
