// Compares `quorvel reg query` with Wine's own `reg query` on a prefix made by wineboot.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "support/WineTools.h"

namespace fs = std::filesystem;
using quorvel::testing::TempDir;
using quorvel::testing::WineTools;

namespace {

std::string shellQuote(const std::string& arg) {
    std::string q = "'";
    for (const char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string withoutCarriageReturns(std::string s) {
    std::erase(s, '\r');
    return s;
}

}  // namespace

TEST(QuorvelCliWine, RegQueryPrintsWhatWinesRegPrints) {
    const char* bin = std::getenv("QUORVEL_BIN_DIR");
    const fs::path quorvel = fs::path(bin ? bin : ".") / "quorvel";
    if (!fs::exists(quorvel)) GTEST_SKIP() << "quorvel is not built";
    if (!WineTools::available()) GTEST_SKIP() << "wine is not installed";
    TempDir t;
    const fs::path prefix = t.path() / "prefix";
    if (const auto problem = WineTools::makePrefix(prefix))
        GTEST_SKIP() << "wineboot failed: " << *problem;

    // Keys without volatile subkeys: those live only in the running wineserver (Wine's
    // NetworkCards, for one), never in the hive files we read.
    for (const std::string key :
         {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion",
          "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment",
          "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"}) {
        const auto wine = WineTools::wine(prefix, {"reg", "query", key});
        WineTools::waitForServer(prefix);
        ASSERT_EQ(wine.exitCode, 0) << wine.text;

        const fs::path out = t.path() / "ours.txt";
        const std::string command = shellQuote(quorvel.string()) + " --machine " +
                                    shellQuote(prefix.string()) + " reg query " + shellQuote(key) +
                                    " >" + shellQuote(out.string()) + " 2>/dev/null";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << key;
        std::ifstream in(out, std::ios::binary);
        const std::string ours{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(ours, withoutCarriageReturns(wine.text)) << key;
    }
}
