#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Registry.h"
#include "platform/Status.h"
#include "startup/StartupData.h"

namespace quorvel::startup {

// The opinions of the comment window, by their stored item index.
enum class Opinion : int { None = -1, NoOpinion = 0, Safe = 1, Dangerous = 2, Unknown = 3 };

// The rating the comment window hands back for an opinion (None and Unknown: not rated).
std::int32_t RatingOfOpinion(Opinion opinion);

// Stores the user's opinion and comment of an entry in the ratings key (created when missing)
// and writes it to the machine's storage. The caller holds the machine's write lock.
platform::Status StoreUserRating(platform::Registry& registry, std::string_view name,
                                 std::string_view command, Opinion opinion,
                                 std::string_view comment);
// The stored opinion and comment of an entry; NoOpinion and "" when none is stored.
UserRating ReadUserRating(platform::Registry& registry, std::string_view name,
                          std::string_view command);

// The band of a rating in the details panel: the image (1 to 5) and the language text id.
struct RatingBand {
    int image;
    int textId;
};
RatingBand RatingBandOf(std::int32_t rating);

// What the comment page shows of an entry.
struct CommentPageFields {
    std::string name;
    std::string programFile;
    std::string command;
    std::string location;
    std::string comment;
    Opinion opinion = Opinion::None;
};
// Fills the page template: "$iname", "$fname", "$icommand", "$startat" and "$comments" by the
// entry's texts, HTML-escaped (the name and command come from the machine and must not put
// markup into a page the browser opens); the four opinion placeholders by "selected" for the
// chosen one and nothing for the others (left as they are without an opinion).
std::string FillCommentPage(std::string templateText, const CommentPageFields& fields);

// "&", "<", ">", '"' and "'" as HTML character references.
std::string HtmlEscape(std::string_view text);

// The online startup library's page of an entry.
inline constexpr std::string_view kStartupLibraryBase =
    "https://www.quorvelsoft.com/startuplibrary/";
std::string MoreInfoAddress(std::string_view name, std::string_view programFile);

}  // namespace quorvel::startup
