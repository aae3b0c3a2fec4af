#include <gtest/gtest.h>

#include "StartupFixture.h"
#include "startup/StartupComments.h"

namespace quorvel::testing {
namespace {

using startup::Opinion;

TEST(StartupCommentPage, FillsEveryPlaceholderEscapedAndMarksOnlyTheChosenOpinion) {
    const std::string page =
        "<p>$iname|$fname|$icommand|$startat</p><option $3selected><option $1selected>"
        "<option $5selected><option $oselected><textarea>$comments</textarea>$iname";
    startup::CommentPageFields fields{"<script>x</script>$comments",
                                      "C:\\a\\b&c.exe",
                                      "\"C:\\a\\b&c.exe\" /s",
                                      "Registry\\Run",
                                      "it's <b>bad</b>",
                                      Opinion::Dangerous};
    EXPECT_EQ(startup::FillCommentPage(page, fields),
              "<p>&lt;script&gt;x&lt;/script&gt;$comments|b&amp;c.exe|&quot;C:\\a\\b&amp;c.exe"
              "&quot; /s|Registry\\Run</p><option ><option ><option selected=\"selected\">"
              "<option ><textarea>it&#39;s &lt;b&gt;bad&lt;/b&gt;</textarea>&lt;script&gt;x&lt;/"
              "script&gt;$comments");
    fields.opinion = Opinion::None;  // no choice: the opinion placeholders stay
    EXPECT_NE(startup::FillCommentPage(page, fields).find("$5selected"), std::string::npos);
}

TEST(StartupCommentPage, BandsAndLibraryAddress) {
    const std::vector<std::pair<int, int>> bands = {
        {100, 14040}, {80, 14040}, {79, 14039}, {60, 14039}, {59, 14038}, {40, 14038},
        {-1, 14043},  {39, 14037}, {20, 14037}, {19, 14036}, {-2, 14036}};
    for (const auto& [rating, text] : bands)
        EXPECT_EQ(startup::RatingBandOf(rating).textId, text) << rating;
    EXPECT_EQ(startup::MoreInfoAddress("Quick Time&x", "C:\\q\\qttask.exe"),
              "https://www.quorvelsoft.com/startuplibrary/Quick%20Time%26x=qttask.exe.html");
}

// The comment window's store is what the next scan reads, also for a command ending in a blank.
class StartupCommentStore : public StartupFixture {};

TEST_F(StartupCommentStore, AStoredOpinionIsReadBackAndRatesTheEntryAtTheNextScan) {
    writeDatabase({"tray|tray.exe=10"});
    b.file("C:\\t\\tray.exe", "MZ");
    b.value(std::string("HKCU") + kRun, "Tray", platform::RegValue::string("C:\\t\\tray.exe "));
    open();
    scan();
    EXPECT_TRUE(findings.empty());
    auto& registry = machine->registry();
    ASSERT_TRUE(startup::StoreUserRating(registry, "Tray", "C:\\t\\tray.exe ", Opinion::Dangerous,
                                         "slow | noisy"));
    const auto back = startup::ReadUserRating(registry, "Tray", "C:\\t\\tray.exe ");
    EXPECT_EQ(back.choice, 2);
    EXPECT_EQ(back.comment, "slow | noisy");
    scan();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Rating, 100);
    EXPECT_EQ(findings[0].Comment, "slow | noisy");
    EXPECT_EQ(startup::RatingOfOpinion(Opinion::Safe), 0);
    EXPECT_EQ(startup::RatingOfOpinion(Opinion::Unknown), startup::kNotRated);
}

}  // namespace
}  // namespace quorvel::testing
