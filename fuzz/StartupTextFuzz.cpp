// The startup texts that come from the machine: a stored user rating (any program may write the
// ratings key) and the entry's values put into the comment page. A rating's comment is exactly
// what follows its first "|", one line of the database gives at most one rating, and no value
// ever puts markup into the page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "startup/StartupComments.h"
#include "startup/StartupData.h"
#include "startup/StartupRatings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace startup = quorvel::startup;
    const std::string text(reinterpret_cast<const char*>(data), size);

    const auto rating = startup::ParseUserRating(text);
    const auto bar = text.find('|');
    if (rating.has_value() != (bar != std::string::npos)) std::abort();
    if (rating && rating->comment != text.substr(bar + 1)) std::abort();
    (void)startup::RatingOfUserChoice(rating ? rating->choice : 0);

    startup::StartupRatings ratings;
    ratings.addLines({text});
    if (ratings.size() > 1) std::abort();  // one line, at most one rating

    const startup::CommentPageFields fields{text, text, text, text, text, startup::Opinion::Safe};
    const std::string page =
        startup::FillCommentPage("$iname $fname $icommand $startat $comments", fields);
    if (page.find_first_of("<>\"'") != std::string::npos) std::abort();
    (void)startup::MoreInfoAddress(text, text);
    return 0;
}
