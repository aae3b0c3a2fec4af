#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/wineprefix/WinePrefixMachine.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace fs = std::filesystem;
using quorvel::platform::CacheContainer;
using quorvel::platform::wineprefix::WinePrefixMachine;
using quorvel::testing::RunProgram;
using quorvel::testing::TempDir;
using quorvel::testing::WineTools;

namespace {

using Listed = std::tuple<std::string, std::string, std::uint64_t>;  // url, local file, size

// The lines "url TAB local file TAB size TAB type" the wininet tool prints.
std::vector<Listed> parseListing(const std::string& text) {
    std::vector<Listed> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string part; std::getline(fields, part, '\t');)
            f.push_back(part);
        if (f.size() == 4) out.emplace_back(f[0], f[1], std::stoull(f[2]));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Listed> ours(const fs::path& prefix) {
    auto machine = WinePrefixMachine::open(prefix);
    EXPECT_TRUE(machine) << machine.status().message();
    if (!machine) return {};
    auto entries = (*machine)->internetCache().entries(CacheContainer::Content);
    EXPECT_TRUE(entries) << entries.status().message();
    std::vector<Listed> out;
    if (entries)
        for (const auto& e : *entries)
            out.emplace_back(e.sourceUrl, e.localFile, e.size);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

// Entries Wine's wininet committed are listed as Wine lists them; after our deletion of one,
// Wine's own enumeration no longer has it, still has the others, and has not wiped the
// container (their files are still there).
TEST(WineInternetCacheReal, WineSeesOurDeletionAndKeepsTheOtherEntries) {
    if (!WineTools::available()) GTEST_SKIP() << "Wine is not installed";
    const char* source = std::getenv("QUORVEL_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "QUORVEL_SOURCE_DIR is not set";
    TempDir dir;
    const fs::path tool = dir.path() / "UrlCacheTool.exe";
    const auto built = RunProgram(
        "x86_64-w64-mingw32-g++-posix",
        {"-x", "c++", "-O1", "-static", "-o", tool.string(),
         (fs::path(source) / "tests/platform/wineprefix/wininet/UrlCacheTool.c").string(),
         "-lwininet"});
    if (built.exitCode != 0) GTEST_SKIP() << "MinGW-w64 could not build the tool: " << built.err;
    const fs::path prefix = dir.path() / "prefix";
    if (auto error = WineTools::makePrefix(prefix)) FAIL() << *error;

    const std::vector<std::pair<std::string, std::string>> added = {
        {"http://example.com/index.html", "1200"},
        {"http://example.com/img/logo.png", "70000"},
        {"https://cdn.example.org/app.js?v=3", "5"}};
    for (const auto& [url, size] : added) {
        const auto out = WineTools::wine(prefix, {tool.string(), "add", url, size});
        ASSERT_EQ(out.exitCode, 0) << out.text;
    }
    const auto listed = WineTools::wine(prefix, {tool.string(), "list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.text;
    WineTools::waitForServer(prefix);
    const auto wines = parseListing(listed.text);
    ASSERT_EQ(wines.size(), 3u) << listed.text;
    EXPECT_EQ(ours(prefix), wines);

    {
        auto machine = WinePrefixMachine::open(prefix);
        ASSERT_TRUE(machine);
        ASSERT_TRUE((*machine)->internetCache().deleteEntry(CacheContainer::Content,
                                                            "http://example.com/img/logo.png"));
    }
    const auto after = WineTools::wine(prefix, {tool.string(), "list"});
    ASSERT_EQ(after.exitCode, 0) << after.text;
    WineTools::waitForServer(prefix);
    std::vector<Listed> expected;
    for (const auto& l : wines)
        if (std::get<0>(l) != "http://example.com/img/logo.png") expected.push_back(l);
    EXPECT_EQ(parseListing(after.text), expected) << after.text;
    auto machine = WinePrefixMachine::open(prefix);
    ASSERT_TRUE(machine);
    auto& files = (*machine)->fileSystem();
    for (const auto& l : wines) {
        const bool kept = std::get<0>(l) != "http://example.com/img/logo.png";
        EXPECT_EQ(files.stat(std::get<1>(l)).has_value(), kept) << std::get<1>(l);
    }
    // Wine's own deletion still works on the index we wrote.
    const auto deleted =
        WineTools::wine(prefix, {tool.string(), "delete", "http://example.com/index.html"});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.text;
    WineTools::waitForServer(prefix);
    EXPECT_EQ(ours(prefix).size(), 1u);
}
