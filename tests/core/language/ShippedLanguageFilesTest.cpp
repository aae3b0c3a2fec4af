// Checks of the language files that ship with the program (data/languages/*.lng).
//
// Message numbers used by the code are found by this pattern (src/**/*.cpp and *.h), which
// code that shows texts follows:
//   - a call whose function name ends in `LangText`, `langText`, `message`, `Message`, `text` or
//     `Text` and whose first argument is a 5-digit literal, for example
//     `ctx.language.LangText(10619, count)` or `run.message(11045, clsid)`;
//   - a constant whose name starts with `kMsg` or `kMessage`, initialised with a 5-digit
//     literal, for example `constexpr int kMsgNoProblems = 10617;` or `kMsgNoProblems{10617}`.
// Numbers kept in tables of other shapes are not found; name them with such constants.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "core/language/LanguageFile.h"

namespace quorvel::core {
namespace {

namespace fs = std::filesystem;

fs::path sourceDir() {
    if (const char* dir = std::getenv("QUORVEL_SOURCE_DIR"); dir && *dir) return dir;
    // Run by hand: this file lives in <source>/tests/core/language/.
    return fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
}

fs::path languagesDir() {
    return sourceDir() / "data" / "languages";
}

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Message number -> text, the first line of each number.
std::map<int, std::string> messages(const std::vector<std::string>& lines) {
    std::map<int, std::string> out;
    for (const auto& line : lines) {
        const int id = languageLineId(line);
        if (id >= 0) out.try_emplace(id, std::string(languageLineText(line)));
    }
    return out;
}

// The placeholders that a text uses, "%s2" told apart from "%s".
std::set<std::string> placeholders(std::string_view text) {
    std::set<std::string> out;
    for (std::size_t i = text.find("%s"); i != std::string_view::npos; i = text.find("%s", i)) {
        const bool second = text.substr(i, 3) == "%s2";
        out.insert(second ? "%s2" : "%s");
        i += second ? 3 : 2;
    }
    return out;
}

bool isIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::size_t skipBlanks(std::string_view text, std::size_t i) {
    const auto at = text.find_first_not_of(" \t\r\n", i);
    return at == std::string_view::npos ? text.size() : at;
}

// The 5-digit number at text[i] (after blanks), or -1.
int fiveDigitsAt(std::string_view text, std::size_t i) {
    i = skipBlanks(text, i);
    std::size_t n = 0;
    while (i + n < text.size() && std::isdigit(static_cast<unsigned char>(text[i + n])))
        ++n;
    if (n != 5 || (i + n < text.size() && isIdentChar(text[i + n]))) return -1;
    return std::stoi(std::string(text.substr(i, 5)));
}

// Message numbers that the source text uses, following the pattern at the top of this file.
std::set<int> messageNumbersIn(std::string_view text) {
    static const std::string_view kCallSuffixes[] = {"LangText", "langText", "message",
                                                     "Message",  "text",     "Text"};
    std::set<int> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') {
            std::size_t nameEnd = i;
            while (nameEnd > 0 && (text[nameEnd - 1] == ' ' || text[nameEnd - 1] == '\t'))
                --nameEnd;
            const auto name = text.substr(0, nameEnd);
            for (const auto suffix : kCallSuffixes) {
                if (name.ends_with(suffix)) {
                    if (const int id = fiveDigitsAt(text, i + 1); id >= 0) found.insert(id);
                    break;
                }
            }
        } else if (text[i] == 'k' && (i == 0 || !isIdentChar(text[i - 1])) &&
                   (text.substr(i, 4) == "kMsg" || text.substr(i, 8) == "kMessage")) {
            std::size_t j = i;
            while (j < text.size() && isIdentChar(text[j]))
                ++j;
            j = skipBlanks(text, j);
            if (j < text.size() && (text[j] == '=' || text[j] == '{')) {
                if (const int id = fiveDigitsAt(text, j + 1); id >= 0) found.insert(id);
            }
        }
    }
    return found;
}

std::map<int, std::string> referencedMessageNumbers(const fs::path& root) {
    std::map<int, std::string> found;  // number -> first file that uses it
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        for (const int id : messageNumbersIn(readText(entry.path())))
            found.try_emplace(id, entry.path().string());
    }
    return found;
}

TEST(MessageNumberScanTest, FindsCallsAndConstantsOfTheDocumentedPattern) {
    const auto found = messageNumbersIn(R"(
        label.setText(ctx.language.LangText(10617));
        auto t = langText (ctx , 10618);        // first argument is not the number
        run.message( 11045, clsid);
        showMessage(10044);
        x = table.text(
            10646);
        constexpr int kMsgNoProblems = 10619;
        static const int kMessageTitle{29601};
        int kMsgCount = 123456;                 // six digits
        LangText(106170);
        LangText(1061);
        f(10620); setValue(10621);
        int notkMsgX = 10622;
        LangText(10623abc);
    )");
    EXPECT_EQ(found, (std::set<int>{10044, 10617, 10619, 11045, 10646, 29601}));
}

class ShippedLanguageFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(languagesDir() / "english.lng"))
            GTEST_SKIP() << "no language files under " << languagesDir();
        english = loadLanguageFile(languagesDir() / "english.lng");
        german = loadLanguageFile(languagesDir() / "german.lng");
    }
    std::vector<std::string> english;
    std::vector<std::string> german;
};

TEST_F(ShippedLanguageFilesTest, EveryMessageNumberUsedInTheCodeHasAnEnglishText) {
    const auto texts = messages(english);
    const auto used = referencedMessageNumbers(sourceDir() / "src");
    for (const auto& [id, file] : used) {
        const auto it = texts.find(id);
        EXPECT_TRUE(it != texts.end() && !it->second.empty())
            << "message " << id << " (used in " << file << ") has no text in english.lng";
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
    const auto germanTexts = messages(german);
    for (const auto& [id, text] : germanTexts) {
        const auto it = englishTexts.find(id);
        ASSERT_NE(it, englishTexts.end()) << "german.lng has " << id << ", english.lng not";
        EXPECT_EQ(placeholders(text), placeholders(it->second)) << "message " << id;
        EXPECT_FALSE(text.empty()) << "message " << id;
    }
    // Plain UTF-8, and every line already as loading would normalise it.
    for (const char* name : {"english.lng", "german.lng"}) {
        const std::string raw = readText(languagesDir() / name);
        EXPECT_EQ(decodeLanguageBytes(raw), raw) << name << " is not plain UTF-8";
        for (const auto& line : splitLanguageLines(raw))
            EXPECT_EQ(normaliseLanguageLine(line), line) << name << ": \"" << line << "\"";
    }
}

}  // namespace
}  // namespace quorvel::core
