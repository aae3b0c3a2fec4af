// Checks the derived environment against what Wine itself gives a program in a real prefix.
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/text/CaseInsensitive.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

using quorvel::platform::wineprefix::WinePrefixMachine;
using quorvel::testing::TempDir;
using quorvel::testing::WineTools;

TEST(WineEnvironmentReal, MatchesTheEnvironmentOfAProgramRunByWine) {
    if (!WineTools::available()) GTEST_SKIP() << "wine is not installed";
    TempDir t;
    const auto prefix = t.path() / "prefix";
    if (const auto problem = WineTools::makePrefix(prefix))
        GTEST_SKIP() << "wineboot failed: " << *problem;
    const auto set = WineTools::wine(prefix, {"cmd", "/c", "set"});
    WineTools::waitForServer(prefix);
    ASSERT_EQ(set.exitCode, 0) << set.text;

    std::map<std::string, std::string, quorvel::platform::text::ILess> wine;
    std::istringstream lines(set.text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (const auto eq = line.find('='); eq != std::string::npos && eq > 0)
            wine[line.substr(0, eq)] = line.substr(eq + 1);
    }

    auto machine = WinePrefixMachine::open(prefix);
    ASSERT_TRUE(machine) << machine.status().message();
    auto& env = (*machine)->environment();
    for (const char* name :
         {"APPDATA", "LOCALAPPDATA", "ProgramFiles", "ProgramFiles(x86)", "CommonProgramFiles",
          "windir", "SystemRoot", "TEMP", "TMP", "ALLUSERSPROFILE", "USERPROFILE", "Path",
          "HOMEDRIVE", "HOMEPATH", "SystemDrive", "USERNAME", "ProgramData", "PUBLIC", "ComSpec"}) {
        ASSERT_TRUE(wine.count(name)) << name << " is missing from Wine's environment";
        EXPECT_EQ(env.variable(name).value_or("<unset>"), wine[name]) << name;
    }
    EXPECT_EQ(env.userName(), wine["USERNAME"]);
}
