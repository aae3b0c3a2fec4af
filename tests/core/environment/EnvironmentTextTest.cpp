#include <gtest/gtest.h>

#include "core/environment/HiddenText.h"
#include "core/environment/OsName.h"
#include "core/environment/SystemPaths.h"

namespace quorvel::core {
namespace {

TEST(OsName, VersionTable) {
    struct Row {
        std::uint32_t major, minor, platformId;
        const char* name;
    };
    const Row rows[] = {{3, 51, 2, "nt3.51"}, {4, 0, 1, "95"},    {4, 0, 2, "nt4.0"},
                        {4, 10, 1, "98"},     {4, 90, 1, "me"},   {4, 3, 2, ""},
                        {5, 0, 2, "2000"},    {5, 1, 2, "xp"},    {5, 2, 2, ""},
                        {6, 0, 2, "vista"},   {6, 3, 2, "vista"}, {10, 0, 2, ""}};
    for (const auto& r : rows) {
        platform::OsVersion v;
        v.major = r.major;
        v.minor = r.minor;
        v.platformId = r.platformId;
        EXPECT_EQ(OsNameFor(v), r.name) << r.major << "." << r.minor << "/" << r.platformId;
    }
}

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
