#include "ui/Skin.h"
#include "platform/text/Trim.h"

#include <charconv>
#include <system_error>

#include <algorithm>
#include <optional>

namespace quorvel::ui {

namespace {
std::optional<int> number(std::string_view text) {
    text = platform::text::trim(text);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    // Geometry beyond any screen is a damaged file, not a layout.
    if (value < -10000 || value > 10000) return std::nullopt;
    return value;
}

}  // namespace

Skin Skin::load(const std::filesystem::path& iniFile) {
    Skin skin;
    skin.file_ = iniFile;
    auto loaded = core::IniFile::load(iniFile);
    if (loaded) skin.ini_ = std::move(loaded.value());
    return skin;
}

QString Skin::description() const {
    const std::string text = ini_.readString("Skin", "Description");
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Skin::value(std::string_view section, std::string_view key) const {
    return ini_.readString(section, key);
}

QRect Skin::rect(std::string_view section, const QRect& fallback, int containerWidth) const {
    auto part = [&](std::string_view key, int otherwise) {
        if (!ini_.valueExists(section, key)) return otherwise;
        return number(ini_.readString(section, key)).value_or(otherwise);
    };
    const int width = std::max(0, part("width", fallback.width()));
    const int height = std::max(0, part("height", fallback.height()));
    int left = part("Left", fallback.left());
    if (containerWidth > 0 && ini_.valueExists(section, "right")) {
        if (auto right = number(ini_.readString(section, "right")))
            left = containerWidth - *right - width;
    }
    const int top = part("top", fallback.top());
    return {left, top, width, height};
}

QColor ParseSkinColor(std::string_view text) {
    text = platform::text::trim(text);
    if (text.empty()) return {};
    if (text.front() == '#') {
        QColor c(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        return c.isValid() ? c : QColor{};
    }
    std::uint32_t value = 0;
    int base = 10;
    if (text.size() > 1 && text.front() == '$') {  // Delphi hex form, $00BBGGRR
        text.remove_prefix(1);
        base = 16;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc{} || end != text.data() + text.size() || value > 0xFFFFFFu) return {};
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

QColor Skin::color(std::string_view key, const QColor& fallback) const {
    if (!ini_.valueExists("colors", key)) return fallback;
    const QColor c = ParseSkinColor(ini_.readString("colors", key));
    return c.isValid() ? c : fallback;
}

std::filesystem::path Skin::image(std::string_view key) const {
    const std::string name = ini_.readString("files", key);
    if (name.empty() || file_.empty()) return {};
    std::string relative = name;
    for (char& c : relative)
        if (c == '\\') c = '/';
    const std::filesystem::path path = file_.parent_path() / relative;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return {};
    return path;
}

}  // namespace quorvel::ui
