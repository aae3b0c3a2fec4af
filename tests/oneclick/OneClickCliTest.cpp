// Drives the built quorvel executable over a fresh copy of the bundled demo machine.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/wineprefix/MachineSelection.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

using CliRun = ProgramRun;

// A number field of the first object after `after` in a JSON text ("" when missing).
std::string field(const std::string& json, const std::string& name, std::size_t after = 0) {
    const std::string key = "\"" + name + "\": ";
    const auto at = json.find(key, after);
    if (at == std::string::npos) return {};
    auto start = at + key.size();
    if (json[start] == '"') {
        const auto end = json.find('"', start + 1);
        return json.substr(start + 1, end - start - 1);
    }
    auto end = json.find_first_of(",}\n", start);
    return json.substr(start, end - start);
}

class OneClickCli : public ::testing::Test {
protected:
    TempDir temp;
    fs::path machine;

    void SetUp() override {
        const fs::path demo = BinDir() / "demo";
        if (!fs::exists(BinDir() / "quorvel") || !fs::exists(demo / "system.reg")) {
            GTEST_SKIP() << "quorvel or the demo machine is not built beside the tests";
        }
        machine = temp.path() / "machine";
        ASSERT_TRUE(platform::wineprefix::copyDemoMachine(demo, machine));
    }

    CliRun quorvel(const std::vector<std::string>& args) {
        std::vector<std::string> all{"--machine", machine.string()};
        all.insert(all.end(), args.begin(), args.end());
        return RunProgram(BinDir() / "quorvel", all);
    }

    // Both registry roots of the machine as export files, without the program's own settings
    // (which every run writes) and the keys disabled startup entries move to, one key per line.
    std::string exportAll() {
        std::string all;
        for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_USERS"}) {
            const fs::path file = temp.path() / "export.reg";
            const CliRun r = quorvel({"reg", "export", root, file.string(), "--force"});
            EXPECT_EQ(r.exitCode, 0) << r.err;
            std::string text;
            for (const char c : ReadWholeFile(file)) {
                if (c != '\0' && c != '\r') text += c;  // the ASCII of the UTF-16 export
            }
            std::size_t at = 0;
            while (at < text.size()) {
                auto end = text.find("\n\n", at);
                if (end == std::string::npos) end = text.size();
                const std::string block = text.substr(at, end - at);
                // The "-Disabled" copies of startup entries stay after a restore by design.
                if (block.find("\\Software\\QuorvelSoft") == std::string::npos &&
                    block.find("-Disabled]") == std::string::npos) {
                    all += block + "\n\n";
                }
                at = end + 2;
            }
        }
        return all;
    }
};

TEST_F(OneClickCli, DemoRepairRemovesThePlantedProblemsAndTheBackupBringsThemBack) {
    // Only planted problems are found: each names the removed program (or its classes) or the
    // demo's own leftovers.
    const CliRun findings = quorvel({"scan", "registry", "--json"});
    ASSERT_EQ(findings.exitCode, 0) << findings.err;
    std::size_t count = 0;
    for (std::size_t at = findings.out.find("{\"root\""); at != std::string::npos;
         at = findings.out.find("{\"root\"", at + 1)) {
        const auto end = findings.out.find("\"group\"", at);
        const std::string one = findings.out.substr(at, end - at);
        bool planted = false;
        for (const char* mark : {"Orbit", "orb", "Demo", "demo", "{5F0C1A2B-"}) {
            planted = planted || one.find(mark) != std::string::npos;
        }
        EXPECT_TRUE(planted) << one;
        ++count;
    }
    EXPECT_GE(count, 20u);

    const std::string before = exportAll();
    const CliRun repair = quorvel({"oneclick", "--repair", "--json"});
    ASSERT_EQ(repair.exitCode, 0) << repair.err;
    EXPECT_EQ(field(repair.out, "count"), std::to_string(count));  // the scan's registry row
    const std::string entry = field(repair.out, "backupEntry");
    ASSERT_FALSE(entry.empty()) << repair.out;

    const CliRun rescan = quorvel({"oneclick", "--categories", "registry", "--json"});
    ASSERT_EQ(rescan.exitCode, 0) << rescan.err;
    EXPECT_EQ(field(rescan.out, "count"), "0");
    EXPECT_EQ(field(rescan.out, "button"), "Scan");
    EXPECT_NE(exportAll(), before);

    const CliRun help = quorvel({"backups", "--help"});
    if (help.exitCode != 0) GTEST_SKIP() << "this quorvel has no backups command";
    const CliRun restore = quorvel({"backups", "restore", entry});
    ASSERT_EQ(restore.exitCode, 0) << restore.out << restore.err;
    EXPECT_EQ(exportAll(), before);
}

TEST_F(OneClickCli, UnattendedPassFollowsTheStoredScanfix) {
    ASSERT_EQ(quorvel({"oneclick", "options", "--scanfix", "off"}).exitCode, 0);
    const std::string before = exportAll();
    CliRun pass = quorvel({"oneclick", "--unattended", "--json"});
    ASSERT_EQ(pass.exitCode, 0) << pass.err;
    EXPECT_EQ(field(pass.out, "repaired"), "false");
    EXPECT_EQ(field(pass.out, "closes"), "false");  // findings wait for a repair
    EXPECT_NE(pass.out.find("problems found\""), std::string::npos);
    EXPECT_NE(pass.out.find("privacy tracks found"), std::string::npos);
    EXPECT_EQ(exportAll(), before);

    ASSERT_EQ(quorvel({"oneclick", "options", "--scanfix", "on"}).exitCode, 0);
    pass = quorvel({"oneclick", "--unattended"});
    ASSERT_EQ(pass.exitCode, 0) << pass.err;
    EXPECT_NE(pass.out.find("problems repaired"), std::string::npos);
    EXPECT_NE(pass.out.find("Backup entry: "), std::string::npos);
    EXPECT_EQ(field(quorvel({"oneclick", "--categories", "registry", "--json"}).out, "count"), "0");

    // carerunner does the same pass: nothing is left, so nothing is repaired.
    if (fs::exists(BinDir() / "carerunner")) {
        const CliRun care =
            RunProgram("/usr/bin/env", {"QUORVEL_HEADLESS=1", (BinDir() / "carerunner").string(),
                                        "/schedulestart", "--machine", machine.string()});
        EXPECT_EQ(care.exitCode, 0) << care.out << care.err;
        EXPECT_NE((care.out + care.err).find("0 problems repaired"), std::string::npos) << care.out;
    }
}

TEST_F(OneClickCli, BadInputFailsClearly) {
    CliRun r = quorvel({"oneclick", "--categories", "registry,bogus"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("unknown category \"bogus\""), std::string::npos);
    r = quorvel({"oneclick", "--repair", "--unattended"});
    EXPECT_EQ(r.exitCode, 1);
    r = quorvel({"oneclick", "options", "--scanfix", "maybe"});
    EXPECT_EQ(r.exitCode, 1);

    // A damaged hive: the pass refuses to run instead of saving over it.
    {
        std::ofstream user(machine / "user.reg", std::ios::app);
        user << "[Software\\\\Broken\n\"x\"=hex:zz\n";
    }
    const auto hive = ReadWholeFile(machine / "user.reg");
    r = quorvel({"oneclick", "--repair"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("could not be read completely"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(machine / "user.reg"), hive);
}

}  // namespace
}  // namespace quorvel::testing
