#include "core/paths/TextParts.h"

namespace quorvel::core {

std::string TextBefore(std::string_view delimiter, std::string_view text, bool includeDelimiter) {
    const auto at = delimiter.empty() ? std::string_view::npos : text.find(delimiter);
    if (at == std::string_view::npos) return std::string(text);
    return std::string(text.substr(0, includeDelimiter ? at + delimiter.size() : at));
}

std::string TextAfter(std::string_view delimiter, std::string_view text, bool includeDelimiter) {
    const auto at = delimiter.empty() ? std::string_view::npos : text.find(delimiter);
    if (at == std::string_view::npos) return std::string(text);
    return std::string(text.substr(includeDelimiter ? at : at + delimiter.size()));
}

std::string TextAfterLast(std::string_view delimiter, std::string_view text,
                          bool includeDelimiter) {
    const auto at = delimiter.empty() ? std::string_view::npos : text.rfind(delimiter);
    if (at == std::string_view::npos) return std::string(text);
    return std::string(text.substr(includeDelimiter ? at : at + delimiter.size()));
}

}  // namespace quorvel::core
