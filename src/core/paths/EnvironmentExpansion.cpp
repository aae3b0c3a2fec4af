#include "core/paths/EnvironmentExpansion.h"

namespace quorvel::core {

namespace {

// Whether the text between two "%" names a variable. Shell arguments ("%1", "%*", "%~dp0") and
// text spanning quotes, blanks or path separators ("%1" "%2") do not, so their "%" stay literal.
bool IsVariableName(std::string_view name) {
    if (name.empty()) return false;
    const char first = name.front();
    if ((first >= '0' && first <= '9') || first == '*' || first == '~') return false;
    for (const char c : name) {
        if (c == '"' || c == ' ' || c == '\t' || c == '\\' || c == '/' || c == '=') return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> ExpandEnvironmentVars(const platform::Environment& environment,
                                                 std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (;;) {
        const auto open = text.find('%', from);
        if (open == std::string_view::npos) break;
        const auto close = text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        const std::string_view name = text.substr(open + 1, close - open - 1);
        if (!IsVariableName(name)) {
            // The first "%" is literal; the second may open a variable.
            out.append(text.substr(from, close - from));
            from = close;
            continue;
        }
        const auto value = environment.variable(name);
        if (!value) return std::nullopt;
        out.append(text.substr(from, open - from)).append(*value);
        from = close + 1;
    }
    out.append(text.substr(from));
    return out;
}

}  // namespace quorvel::core
