#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <filesystem>
#include <string_view>

#include "core/formats/IniFile.h"

namespace quorvel::ui {

// A skin file (skin.ini): geometry sections per window area and button (Left, top, width,
// height, right), a [files] section of images relative to the skin's folder and a [colors]
// section. A missing or damaged file gives an empty skin, so every lookup falls back.
class Skin {
public:
    Skin() = default;
    static Skin load(const std::filesystem::path& iniFile);

    const std::filesystem::path& file() const { return file_; }
    QString description() const;

    // The rectangle of a section. A key that is missing keeps the fallback's part; "right" (the
    // gap to the right edge of a container of width containerWidth) wins over "Left".
    QRect rect(std::string_view section, const QRect& fallback, int containerWidth = 0) const;
    // A colour of [colors]: "#rrggbb", or a decimal Windows colour (0x00BBGGRR). Missing or
    // unreadable text gives the fallback.
    QColor color(std::string_view key, const QColor& fallback) const;
    // The image named in [files], as a host path inside the skin's folder; empty when the key is
    // missing or names nothing there.
    std::filesystem::path image(std::string_view key) const;
    std::string value(std::string_view section, std::string_view key) const;

private:
    std::filesystem::path file_;
    core::IniFile ini_;
};

// Parses a colour text as the [colors] section holds it; invalid QColor when unreadable.
QColor ParseSkinColor(std::string_view text);

}  // namespace quorvel::ui
