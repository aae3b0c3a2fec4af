#pragma once

#include <QString>
#include <string_view>

#include "core/language/LanguageTable.h"

namespace quorvel::ui {

// The translated text of message id, or the window's English text when no language file has it.
QString uiText(const core::LanguageTable& language, int id, std::string_view english,
               std::string_view first = {}, std::string_view second = {});

// UTF-8 text to and from Qt.
inline QString toQ(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string fromQ(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace quorvel::ui
