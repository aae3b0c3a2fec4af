#include <gtest/gtest.h>

#include <tuple>

#include "StartupFixture.h"
#include "startup/StartupRatings.h"
#include "startup/StartupScan.h"

namespace quorvel::testing {
namespace {

using platform::RegValue;
using startup::TStartupData;

constexpr const char* kTool = "C:\\Program Files\\Tool\\tool.exe";
constexpr const char* kSpaced = "C:\\Program Files\\My Tool\\my tool.exe";
constexpr const char* kHelper = "C:\\windows\\system32\\helper.exe";

std::string cv(const char* rest) {
    return std::string("\\Software\\Microsoft\\Windows\\CurrentVersion\\") + rest;
}

// Name, location, program file, rating of an entry.
using Row = std::tuple<std::string, std::string, std::string, int>;

Row rowOf(const TStartupData& e) {
    return {e.Name, e.Location, e.ProgramFile, e.Rating};
}

// One machine with an entry in each of the fifteen sources, written in the command forms the
// scan must resolve, and a database and user ratings that exercise every rating rule.
class StartupScanTest : public StartupFixture {
protected:
    void SetUp() override {
        writeDatabase({
            "quoted|tool.exe=61",    // just above the line: a finding
            "unquoted|tool.exe=60",  // on the line: not one
            "a>b|tool.exe=90",       // "=" in a name is looked up as ">"
            "bare|helper.exe=lots",  // no number: 50
            "default|tool.exe=10",   // the user's "dangerous" overrides it
            "short|tool.exe=99",     // the user's "safe" overrides it
            "short|tool.exe=1",      // a second line of a key is never used
            "common|tool.exe=80",
            "notes.txt|notes.txt=70",
            "userinit|tool.exe=75",
        });
        const std::string hklm = "HKLM";
        const std::string hkcu = "HKCU";
        b.value(hklm + cv("Run"), "Quoted",
                RegValue::string("\"" + std::string(kTool) + "\" -min"));
        b.value(hklm + cv("Policies\\Explorer\\Run"), "Unquoted",
                RegValue::string(std::string(kTool) + " -min /x"));
        b.value(hklm + cv("RunOnce"), "Short", RegValue::string("C:\\PROGRA~1\\Tool\\tool.exe"));
        b.value(hklm + cv("RunOnceEx"), "Bare", RegValue::string("helper.exe --flag"));
        b.value(hklm + cv("RunServices"), "QuotedBare", RegValue::string("\"helper.exe\" x"));
        b.value(hklm + cv("RunServicesOnce"), "Missing", RegValue::string("C:\\nothere\\x.exe"));
        b.value("HKU\\.DEFAULT" + cv("Run"), "Default", RegValue::string(kTool));
        b.value(hkcu + cv("Run"), "Userinit",
                RegValue::string("C:\\windows\\system32\\userinit.exe," + std::string(kTool)));
        b.value(hkcu + cv("Policies\\Explorer\\Run"), "Expand",
                RegValue::string("%ProgramFiles%\\Tool\\tool.exe", platform::regtype::ExpandSz));
        b.value(hkcu + cv("RunOnce"), "Dword", RegValue::dword(1));
        b.value(hkcu + cv("RunOnce"), "Empty", RegValue::string(""));
        b.value(hkcu + cv("RunOnce"), "a=b", RegValue::string(kTool));
        b.value(hkcu + cv("RunOnceEx"), "USERINIT", RegValue::string(kTool));
        b.value(hkcu + cv("RunServices"), "Quoted", RegValue::string(kTool));
        b.value(hkcu + cv("RunServicesOnce"), "Spaced",
                RegValue::string(std::string(kSpaced) + " arg1 arg2"));
        // The user's own ratings: 2 dangerous, 1 safe, 3 unknown, 0 no opinion.
        b.value(kCommentKey, "Default|" + std::string(kTool), RegValue::string("2|my comment"));
        b.value(kCommentKey, "Short|C:\\PROGRA~1\\Tool\\tool.exe", RegValue::string("1|"));
        b.value(kCommentKey, "Missing|C:\\nothere\\x.exe", RegValue::string("3|who knows"));
        b.value(kCommentKey, "Spaced|" + std::string(kSpaced) + " arg1 arg2",
                RegValue::string("0|fine"));
        b.file(kTool, "MZ");
        b.file(kSpaced, "MZ");
        b.file(kHelper, "MZ");
        open();
        common = globals().CommonStartup;
        user = globals().UserStartup;
        ASSERT_FALSE(common.empty());
        ASSERT_FALSE(user.empty());
        b.folder(common);
        b.folder(user);
        shortcut(common + "Common.lnk", kTool, "-a");
        b.file(common + "notes.txt", "hello");
        b.file(user + "broken.lnk", "not a shortcut");
        shortcut(user + "zzz.lnk", kSpaced, "");
        b.folder(user + "sub");
    }

    std::string common, user;
};

TEST_F(StartupScanTest, ReadsTheFifteenSourcesInOrderAndResolvesEachCommandForm) {
    std::vector<TStartupData> every;
    auto& scanner = scan(&every);
    ASSERT_TRUE(scanner.databaseStatus()) << scanner.databaseStatus().message();

    const std::string commonFolder = common.substr(0, common.size() - 1);
    const std::string userFolder = user.substr(0, user.size() - 1);
    const std::vector<Row> expected = {
        {"Quoted", "Registry\\All Users\\Run", kTool, 61},
        {"Unquoted", "Registry\\All Users\\Run", kTool, 60},
        {"Short", "Registry\\All Users\\RunOnce", kTool, 0},
        {"Bare", "Registry\\All Users\\RunOnceEx", kHelper, 50},
        {"QuotedBare", "Registry\\All Users\\RunServices", "helper.exe", -1},
        {"Missing", "Registry\\All Users\\RunServicesOnce", "", -2},
        {"Default", "Registry\\Default User\\Run", kTool, 100},
        {"Userinit", "Registry\\Current User\\Run", kTool, 75},
        {"Expand", "Registry\\Current User\\Run", kTool, -1},
        {"a=b", "Registry\\Current User\\RunOnce", kTool, 90},
        {"USERINIT", "Registry\\Current User\\RunOnceEx", kTool, 75},
        {"Quoted", "Registry\\Current User\\RunServices", kTool, 61},
        {"Spaced", "Registry\\Current User\\RunServicesOnce", kSpaced, 50},
        {"Common", "StartUp Folder\\All Users", kTool, 80},
        {"notes.txt", "StartUp Folder\\All Users", commonFolder + "\\notes.txt", 70},
        {"zzz", "StartUp Folder\\Current User", kSpaced, -1},
    };
    std::vector<Row> rows;
    for (const auto& e : every)
        rows.push_back(rowOf(e));
    EXPECT_EQ(rows, expected);

    // Commands as stored: the Userinit rule, a shortcut's target and arguments, a file's path.
    ASSERT_EQ(every.size(), expected.size());
    EXPECT_EQ(every[7].Command, kTool);
    EXPECT_EQ(every[10].Command, kTool);  // no "userinit.exe,": kept whole
    EXPECT_EQ(every[8].Command, "%ProgramFiles%\\Tool\\tool.exe");
    EXPECT_EQ(every[13].Command, std::string(kTool) + " -a");
    EXPECT_EQ(every[6].Comment, "my comment");
    EXPECT_EQ(every[6].RootKey, platform::RootKey::Users);

    // The damaged shortcut was passed over, not the entries after it.
    ASSERT_EQ(scanner.unreadableShortcuts().size(), 1u);
    EXPECT_EQ(scanner.unreadableShortcuts()[0], userFolder + "\\broken.lnk");

    // Findings: above 60 only, all checked, in scan order; both "Quoted" entries kept.
    std::vector<std::string> names;
    for (const auto& f : findings) {
        names.push_back(f.Name);
        EXPECT_TRUE(f.Checked && f.PendingChecked);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Quoted", "Default", "Userinit", "a=b", "USERINIT",
                                               "Quoted", "Common", "notes.txt"}));
}

TEST_F(StartupScanTest, WithoutItsDatabaseTheScanReportsWhyAndFindsNothing) {
    std::filesystem::remove(programDir.path() / "data" / "startup.dat");
    std::vector<TStartupData> every;
    EXPECT_FALSE(scan(&every).databaseStatus());
    EXPECT_TRUE(every.empty());
    EXPECT_TRUE(findings.empty());
}

TEST(StartupRatingsTest, ParsesTheReadableSourceFormAndLooksUpByLowerCaseKey) {
    startup::StartupRatings ratings;
    ratings.addLines({"; comment", "  Aligned|Tool.EXE =  70   // remark with = and | in it",
                      "spaced rating|x.exe= 65 ", "negative|x.exe=-5", "big|x.exe=99999999999",
                      "=10", "no separator"});
    EXPECT_EQ(ratings.size(), 4u);
    EXPECT_EQ(ratings.ratingOf("ALIGNED", "tool.exe"), 70);
    EXPECT_EQ(ratings.ratingOf("spaced rating", "x.exe"), 65);
    EXPECT_EQ(ratings.ratingOf("negative", "x.exe"), -5);
    EXPECT_EQ(ratings.ratingOf("big", "x.exe"), 50);  // out of range: no number
    EXPECT_EQ(ratings.ratingOf("unknown", "x.exe"), startup::kNotRated);
    EXPECT_EQ(startup::StartupRatings::keyOf("A=B", "C=D.exe"), "a>b|c>d.exe");
    EXPECT_EQ(startup::ParseUserRating("x|c")->choice, 0);  // no number: no opinion
    EXPECT_EQ(startup::ParseUserRating("1|a|b ")->comment, "a|b ");
}

}  // namespace
}  // namespace quorvel::testing
