// Checks of the language files that ship with the program (data/languages/*.lng). Message
// numbers used in src/ are found by this pattern, which code that shows texts follows: a call of
// a function named ...LangText, ...langText, ...message, ...Message, ...text or ...Text with a
// 5-digit literal as first argument, or a constant named kMsg... or kMessage... initialised with
// one. Numbers kept in tables of other shapes are not found; name them with such constants.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "core/language/LanguageFile.h"

namespace quorvel::core {
namespace {

namespace fs = std::filesystem;

fs::path sourceDir() {
    if (const char* dir = std::getenv("QUORVEL_SOURCE_DIR"); dir && *dir) return dir;
    return fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
}

std::string readText(const fs::path& file) {
    std::stringstream ss;
    ss << std::ifstream(file, std::ios::binary).rdbuf();
    return ss.str();
}

// Message number -> text, the first line of each number.
std::map<int, std::string> messages(const std::vector<std::string>& lines) {
    std::map<int, std::string> out;
    for (const auto& line : lines)
        if (const int id = languageLineId(line); id >= 0)
            out.try_emplace(id, std::string(languageLineText(line)));
    return out;
}

// The placeholders that a text uses, "%s2" told apart from "%s".
std::set<std::string> placeholders(const std::string& text) {
    static const std::regex placeholder("%s2?");
    return {std::sregex_token_iterator(text.begin(), text.end(), placeholder),
            std::sregex_token_iterator()};
}

std::set<int> messageNumbersIn(const std::string& text) {
    static const std::regex use(
        R"((?:(?:LangText|langText|[mM]essage|[tT]ext)[ \t]*\(|\bk(?:Msg|Message)\w*\s*[={])\s*(\d{5})(?!\w))");
    std::set<int> found;
    for (std::sregex_iterator it(text.begin(), text.end(), use), end; it != end; ++it)
        found.insert(std::stoi((*it)[1]));
    return found;
}

TEST(MessageNumberScanTest, FindsCallsAndConstantsOfTheDocumentedPattern) {
    const auto found = messageNumbersIn(R"(
        label.setText(ctx.language.LangText(10617));
        auto t = langText (ctx , 10618);        // first argument is not the number
        run.message( 11045, clsid); showMessage(10044);
        x = table.text(
            10646);
        constexpr int kMsgNoProblems = 10619;
        static const int kMessageTitle{29601};
        int kMsgCount = 123456;                 // six digits
        LangText(106170); LangText(1061); LangText(10623abc);
        f(10620); setValue(10621); int notkMsgX = 10622;
    )");
    EXPECT_EQ(found, (std::set<int>{10044, 10617, 10619, 11045, 10646, 29601}));
}

class ShippedLanguageFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(dir / "english.lng")) GTEST_SKIP() << "no language files under " << dir;
        english = loadLanguageFile(dir / "english.lng");
        german = loadLanguageFile(dir / "german.lng");
    }
    const fs::path dir = sourceDir() / "data" / "languages";
    std::vector<std::string> english, german;
};

TEST_F(ShippedLanguageFilesTest, EveryMessageNumberUsedInTheCodeHasAnEnglishText) {
    const auto texts = messages(english);
    for (const auto& entry : fs::recursive_directory_iterator(sourceDir() / "src")) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        for (const int id : messageNumbersIn(readText(entry.path()))) {
            const auto it = texts.find(id);
            EXPECT_TRUE(it != texts.end() && !it->second.empty())
                << "message " << id << " (used in " << entry.path() << ") has no English text";
        }
    }
}

TEST_F(ShippedLanguageFilesTest, FilesAreWellFormedAndGermanMatchesEnglish) {
    ASSERT_GE(english.size(), 3u);
    ASSERT_GE(german.size(), 3u);
    EXPECT_EQ(english[1], "Description=English");
    EXPECT_EQ(german[1], "Description=Deutsch");
    int previous = 0;
    for (std::size_t i = 2; i < english.size(); ++i) {
        const int id = languageLineId(english[i]);
        ASSERT_GE(id, 10000) << "line " << i + 1 << ": " << english[i];
        EXPECT_GT(id, previous) << "not sorted or duplicate: " << english[i];
        EXPECT_FALSE(languageLineText(english[i]).empty()) << english[i];
        previous = id;
    }
    const auto englishTexts = messages(english);
    for (const auto& [id, text] : messages(german)) {
        const auto it = englishTexts.find(id);
        ASSERT_NE(it, englishTexts.end()) << "german.lng has " << id << ", english.lng not";
        EXPECT_EQ(placeholders(text), placeholders(it->second)) << "message " << id;
        EXPECT_FALSE(text.empty()) << "message " << id;
    }
    // Plain UTF-8, and every line already as loading would normalise it.
    for (const char* name : {"english.lng", "german.lng"}) {
        const std::string raw = readText(dir / name);
        EXPECT_EQ(decodeLanguageBytes(raw), raw) << name << " is not plain UTF-8";
        for (const auto& line : splitLanguageLines(raw))
            EXPECT_EQ(normaliseLanguageLine(line), line) << name << ": \"" << line << "\"";
    }
}

}  // namespace
}  // namespace quorvel::core
