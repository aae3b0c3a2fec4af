#include <gtest/gtest.h>

#include "core/environment/HiddenText.h"
#include "core/environment/SystemPaths.h"

namespace quorvel::core {
namespace {

TEST(SplitSearchPath, EmptyPiecesKeptTrailingSeparatorDropped) {
    using List = std::vector<std::string>;
    EXPECT_EQ(SplitSearchPath("C:\\A;;C:\\B;"), (List{"C:\\A", "", "C:\\B"}));
    EXPECT_EQ(SplitSearchPath(";C:\\A"), (List{"", "C:\\A"}));
    EXPECT_EQ(SplitSearchPath(";"), (List{""}));
    EXPECT_TRUE(SplitSearchPath("").empty());
}

TEST(HiddenText, DecodesWhatWasEncodedAndRejectsDamage) {
    EXPECT_EQ(EncodeHidden("Quorvel Utilities").find("Quorvel"), std::string::npos);
    EXPECT_EQ(DecodeHidden(EncodeHidden("any text, longer than the key")),
              "any text, longer than the key");
    EXPECT_EQ(DecodeHidden(EncodeHidden("ab") + "7"), "ab");  // a trailing odd digit is ignored
    std::string lower = EncodeHidden("Quorvel");
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(DecodeHidden(lower), "Quorvel");
    for (const char* damaged : {"", "4", "zz41"})
        EXPECT_EQ(DecodeHidden(damaged), "") << damaged;
}

}  // namespace
}  // namespace quorvel::core
