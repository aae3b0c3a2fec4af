#include <gtest/gtest.h>

#include <random>

#include "core/environment/HiddenText.h"
#include "core/files/FileTimes.h"
#include "core/files/RunAndWait.h"
#include "core/paths/PathUtils.h"
#include "platform/RegistryNames.h"

namespace quorvel::core {
namespace {

// Texts from data files and the registry can be anything: the text helpers must take every
// byte sequence without crashing, hanging or reading out of bounds.
std::string noise(std::mt19937& rng, std::size_t maxLength) {
    static constexpr std::string_view kAlphabet = "%\\/:*?\" ,.~abcAPPSYS32TEMP\x01\xff";
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string s(length(rng), ' ');
    for (auto& c : s)
        c = kAlphabet[pick(rng)];
    return s;
}

TEST(DamagedText, TextHelpersTakeAnyBytes) {
    std::mt19937 rng(12345);
    TGlobalVars g;
    g.WinDir = "C:\\windows\\";
    g.SystemDir = "C:\\windows\\system32\\";
    g.TempDir = "%TEMP%\\";  // a folder that contains a variable must not loop
    for (int i = 0; i < 2000; ++i) {
        const std::string a = noise(rng, 40);
        const std::string b = noise(rng, 12);
        (void)ExpandPathVars(g, a);
        (void)ExpandPathVarsUpper(g, a);
        (void)MatchesMask(a, b);
        (void)DecodeHidden(a);
        (void)CompareDateTimeTexts(a, b);
        (void)SplitArguments(a);
        (void)TextBefore(b, a);
        (void)TextAfterLast(b, a, true);
        (void)ExtractFileDrive(a);
        (void)platform::parseRootedKeyPath(a);
    }
    EXPECT_EQ(ExpandPathVars(g, "%TEMP%\\x"), "%TEMP%\\x");
}

}  // namespace
}  // namespace quorvel::core
