// Compares `quorvel reg query` with Wine's own `reg query` on a prefix made by wineboot.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace quorvel::testing {

TEST(QuorvelCliWine, RegQueryPrintsWhatWinesRegPrints) {
    const std::filesystem::path quorvel = BinDir() / "quorvel";
    if (!std::filesystem::exists(quorvel)) GTEST_SKIP() << "quorvel is not built";
    if (!WineTools::available()) GTEST_SKIP() << "wine is not installed";
    TempDir t;
    const auto prefix = t.path() / "prefix";
    if (const auto problem = WineTools::makePrefix(prefix))
        GTEST_SKIP() << "wineboot failed: " << *problem;

    // Keys without volatile subkeys: those live only in the running wineserver (Wine's
    // NetworkCards, for one), never in the hive files we read.
    for (const std::string key :
         {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion",
          "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment",
          "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"}) {
        auto wine = WineTools::wine(prefix, {"reg", "query", key});
        WineTools::waitForServer(prefix);
        ASSERT_EQ(wine.exitCode, 0) << wine.text;
        const auto ours = RunProgram(quorvel, {"--machine", prefix.string(), "reg", "query", key});
        ASSERT_EQ(ours.exitCode, 0) << key << ours.err;
        std::erase(wine.text, '\r');
        EXPECT_EQ(ours.out, wine.text) << key;
    }
}

}  // namespace quorvel::testing
