#include "startup/StartupComments.h"

#include <array>
#include <cctype>
#include <optional>

namespace quorvel::startup {

std::int32_t RatingOfOpinion(Opinion opinion) {
    switch (opinion) {
        case Opinion::NoOpinion:
            return 50;
        case Opinion::Safe:
            return 0;
        case Opinion::Dangerous:
            return 100;
        default:
            return kNotRated;
    }
}

platform::Status StoreUserRating(platform::Registry& registry, std::string_view name,
                                 std::string_view command, Opinion opinion,
                                 std::string_view comment) {
    auto key = registry.createKey(platform::RootKey::CurrentUser, kCommentKey);
    if (!key) return key.status();
    const int choice = opinion == Opinion::None ? 0 : static_cast<int>(opinion);
    const std::string data = std::to_string(choice) + "|" + std::string(comment);
    if (auto s =
            (*key)->setValue(UserRatingValueName(name, command), platform::RegValue::string(data));
        !s)
        return s;
    return registry.flush();
}

UserRating ReadUserRating(platform::Registry& registry, std::string_view name,
                          std::string_view command) {
    auto key = registry.openKey(platform::RootKey::CurrentUser, kCommentKey);
    if (!key) return {};
    const auto value = (*key)->value(UserRatingValueName(name, command));
    const auto text = value ? value->asString() : std::nullopt;
    const auto parsed = text ? ParseUserRating(*text) : std::nullopt;
    return parsed.value_or(UserRating{});
}

RatingBand RatingBandOf(std::int32_t rating) {
    if (rating >= 80) return {5, 14040};
    if (rating >= 60) return {4, 14039};
    if (rating >= 40) return {3, 14038};
    if (rating == kNotRated) return {3, 14043};
    if (rating >= 20) return {2, 14037};
    return {1, 14036};
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// One pass over the template: text inserted for one placeholder is never searched for another,
// so an entry named "$comments" stays a name.
std::string FillCommentPage(std::string page, const CommentPageFields& fields) {
    const bool opinion = fields.opinion != Opinion::None;
    const auto mark = [&](Opinion o) -> std::optional<std::string> {
        if (!opinion) return std::nullopt;
        return o == fields.opinion ? "selected=\"selected\"" : "";
    };
    const std::array<std::pair<std::string_view, std::optional<std::string>>, 9> table = {{
        {"$iname", HtmlEscape(fields.name)},
        {"$fname", HtmlEscape(FileNamePart(fields.programFile))},
        {"$icommand", HtmlEscape(fields.command)},
        {"$startat", HtmlEscape(fields.location)},
        {"$comments", HtmlEscape(fields.comment)},
        {"$1selected", mark(Opinion::Safe)},
        {"$3selected", mark(Opinion::NoOpinion)},
        {"$5selected", mark(Opinion::Dangerous)},
        {"$oselected", mark(Opinion::Unknown)},
    }};
    std::string out;
    out.reserve(page.size());
    for (std::size_t at = 0; at < page.size();) {
        bool replaced = false;
        if (page[at] == '$') {
            for (const auto& [placeholder, text] : table) {
                if (!text || page.compare(at, placeholder.size(), placeholder) != 0) continue;
                out += *text;
                at += placeholder.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += page[at++];
    }
    return out;
}

// The name and file name go into the address percent-encoded: an entry's name is the machine's
// text, and an address handed to the browser must stay one address.
std::string MoreInfoAddress(std::string_view name, std::string_view programFile) {
    const auto encode = [](std::string_view text) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        std::string out;
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            if (std::isalnum(u) || c == '-' || c == '_' || c == '.' || c == '~') {
                out += c;
            } else {
                out += '%';
                out += kHex[u >> 4];
                out += kHex[u & 15];
            }
        }
        return out;
    };
    return std::string(kStartupLibraryBase) + encode(name) + "=" +
           encode(FileNamePart(programFile)) + ".html";
}

}  // namespace quorvel::startup
