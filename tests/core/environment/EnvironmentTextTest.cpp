#include <gtest/gtest.h>

#include "core/environment/HiddenText.h"
#include "core/environment/OsName.h"
#include "core/environment/SystemPaths.h"
#include "core/settings/LoadSettingsPaths.h"

namespace quorvel::core {
namespace {

platform::OsVersion os(std::uint32_t major, std::uint32_t minor, std::uint32_t platformId = 2) {
    platform::OsVersion v;
    v.major = major;
    v.minor = minor;
    v.platformId = platformId;
    return v;
}

TEST(OsName, VersionTable) {
    EXPECT_EQ(OsNameFor(os(3, 51)), "nt3.51");
    EXPECT_EQ(OsNameFor(os(4, 0, 1)), "95");
    EXPECT_EQ(OsNameFor(os(4, 0, 2)), "nt4.0");
    EXPECT_EQ(OsNameFor(os(4, 10, 1)), "98");
    EXPECT_EQ(OsNameFor(os(4, 90, 1)), "me");
    EXPECT_EQ(OsNameFor(os(4, 3)), "");
    EXPECT_EQ(OsNameFor(os(5, 0)), "2000");
    EXPECT_EQ(OsNameFor(os(5, 1)), "xp");
    EXPECT_EQ(OsNameFor(os(5, 2)), "");
    EXPECT_EQ(OsNameFor(os(6, 0)), "vista");
    EXPECT_EQ(OsNameFor(os(6, 1)), "vista");
    EXPECT_EQ(OsNameFor(os(6, 3)), "vista");
    EXPECT_EQ(OsNameFor(os(10, 0)), "");
}

TEST(SplitSearchPath, EmptyPiecesAndTrailingSeparator) {
    EXPECT_EQ(SplitSearchPath("C:\\A;;C:\\B;"), (std::vector<std::string>{"C:\\A", "", "C:\\B"}));
    EXPECT_EQ(SplitSearchPath(";C:\\A"), (std::vector<std::string>{"", "C:\\A"}));
    EXPECT_EQ(SplitSearchPath("C:\\A;;"), (std::vector<std::string>{"C:\\A", ""}));
    EXPECT_TRUE(SplitSearchPath("").empty());
    EXPECT_EQ(SplitSearchPath(";"), (std::vector<std::string>{""}));
}

TEST(HiddenText, DecodesWhatWasEncodedAndRejectsDamage) {
    EXPECT_EQ(ProductTitle(), "Quorvel Utilities");
    EXPECT_EQ(HomePageAddress().rfind("https://", 0), 0U);
    EXPECT_NE(HelpSiteAddress().find("quorvel.example"), std::string::npos);
    // Stored enciphered: the plain text is not readable in the encoded form.
    EXPECT_EQ(EncodeHidden("Quorvel Utilities").find("Quorvel"), std::string::npos);
    EXPECT_EQ(DecodeHidden(EncodeHidden("any text, longer than the key")),
              "any text, longer than the key");
    EXPECT_EQ(DecodeHidden(""), "");
    EXPECT_EQ(DecodeHidden("4"), "");
    // A trailing odd digit is ignored; lower-case digits are read too.
    EXPECT_EQ(DecodeHidden(EncodeHidden("ab") + "7"), "ab");
    std::string lower = EncodeHidden("Quorvel");
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(DecodeHidden(lower), "Quorvel");
    EXPECT_EQ(DecodeHidden("zz41"), "");
}

TEST(DefaultDataPath, ParentOfTheProgramFolder) {
    EXPECT_EQ(DefaultDataPath("X:\\Tools\\App\\"), "X:\\Tools\\data\\common\\Administrator\\");
    EXPECT_EQ(DefaultDataPath("X:\\Tools\\App"), "X:\\Tools\\data\\common\\Administrator\\");
    EXPECT_EQ(DefaultDataPath("X:\\App\\"), "X:\\data\\common\\Administrator\\");
}

}  // namespace
}  // namespace quorvel::core
