// Drives the built quorvel executable over a fresh copy of the bundled demo machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/wineprefix/MachineSelection.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;

// A field of the first JSON object that has it, unquoted ("" when missing).
std::string field(const std::string& json, const std::string& name) {
    const auto at = json.find("\"" + name + "\": ");
    if (at == std::string::npos) return {};
    const auto start = at + name.size() + 4;
    if (json[start] == '"') return json.substr(start + 1, json.find('"', start + 1) - start - 1);
    return json.substr(start, json.find_first_of(",}\n", start) - start);
}

class OneClickCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(BinDir() / "quorvel") || !fs::exists(BinDir() / "demo" / "system.reg"))
            GTEST_SKIP() << "quorvel or the demo machine is not built beside the tests";
        ASSERT_TRUE(platform::wineprefix::copyDemoMachine(BinDir() / "demo", machine));
    }
    ProgramRun quorvel(std::vector<std::string> args) {
        args.insert(args.begin(), {"--machine", machine.string()});
        return RunProgram(BinDir() / "quorvel", args);
    }
    // Both registry roots as export text (the ASCII of the UTF-16 files), without the blocks of
    // the program's own settings (which every run writes) and the "-Disabled" copies of startup
    // entries, which stay after a restore by design.
    std::string exportAll() {
        std::string all;
        for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_USERS"}) {
            const fs::path file = temp.path() / "export.reg";
            EXPECT_EQ(quorvel({"reg", "export", root, file.string(), "--force"}).exitCode, 0);
            std::string text = ReadWholeFile(file);
            std::erase_if(text, [](char c) { return c == '\0' || c == '\r'; });
            for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
                end = std::min(text.find("\n\n", at), text.size());
                const std::string block = text.substr(at, end - at);
                if (block.find("\\Software\\QuorvelSoft") == std::string::npos &&
                    block.find("-Disabled]") == std::string::npos)
                    all += block + "\n\n";
            }
        }
        return all;
    }
    TempDir temp;
    fs::path machine = temp.path() / "machine";
};

TEST_F(OneClickCli, DemoRepairRemovesThePlantedProblemsAndTheBackupBringsThemBack) {
    // Only planted problems are found: each names the removed program (or its classes) or the
    // demo's own leftovers.
    const ProgramRun findings = quorvel({"scan", "registry", "--json"});
    ASSERT_EQ(findings.exitCode, 0) << findings.err;
    std::size_t count = 0;
    for (auto at = findings.out.find("{\"root\""); at != std::string::npos;
         at = findings.out.find("{\"root\"", at + 1), ++count) {
        const std::string one = findings.out.substr(at, findings.out.find("\"group\"", at) - at);
        bool planted = false;
        for (const char* mark : {"Orbit", "orb", "Demo", "demo", "{5F0C1A2B-"})
            planted = planted || one.find(mark) != std::string::npos;
        EXPECT_TRUE(planted) << one;
    }
    EXPECT_GE(count, 20u);

    const std::string before = exportAll();
    const ProgramRun repair = quorvel({"oneclick", "--repair", "--json"});
    ASSERT_EQ(repair.exitCode, 0) << repair.err;
    EXPECT_EQ(field(repair.out, "count"), std::to_string(count));  // the scan's registry row
    const std::string entry = field(repair.out, "backupEntry");
    ASSERT_FALSE(entry.empty()) << repair.out;

    const ProgramRun rescan = quorvel({"oneclick", "--categories", "registry", "--json"});
    ASSERT_EQ(rescan.exitCode, 0) << rescan.err;
    EXPECT_EQ(field(rescan.out, "count"), "0");
    EXPECT_EQ(field(rescan.out, "button"), "Scan");
    EXPECT_NE(exportAll(), before);
    const ProgramRun restore = quorvel({"backups", "restore", entry});
    ASSERT_EQ(restore.exitCode, 0) << restore.out << restore.err;
    EXPECT_EQ(exportAll(), before);
}

TEST_F(OneClickCli, UnattendedPassFollowsTheStoredScanfix) {
    ASSERT_EQ(quorvel({"oneclick", "options", "--scanfix", "off"}).exitCode, 0);
    const std::string before = exportAll();
    ProgramRun pass = quorvel({"oneclick", "--unattended", "--json"});
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
        const ProgramRun care =
            RunProgram("/usr/bin/env", {"QUORVEL_HEADLESS=1", (BinDir() / "carerunner").string(),
                                        "/schedulestart", "--machine", machine.string()});
        EXPECT_EQ(care.exitCode, 0) << care.out << care.err;
        EXPECT_NE((care.out + care.err).find("0 problems repaired"), std::string::npos) << care.out;
    }
}

TEST_F(OneClickCli, BadInputFailsClearly) {
    EXPECT_NE(quorvel({"oneclick", "--categories", "registry,bogus"})
                  .err.find("unknown category \"bogus\""),
              std::string::npos);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"oneclick", "--categories", "registry,bogus"},
          {"oneclick", "--repair", "--unattended"},
          {"oneclick", "options", "--scanfix", "maybe"}})
        EXPECT_EQ(quorvel(args).exitCode, 1) << args[1];

    // A damaged hive: the pass refuses to run instead of saving over it.
    std::ofstream(machine / "user.reg", std::ios::app) << "[Software\\\\Broken\n\"x\"=hex:zz\n";
    const auto hive = ReadWholeFile(machine / "user.reg");
    const ProgramRun r = quorvel({"oneclick", "--repair"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("could not be read completely"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(machine / "user.reg"), hive);
}

}  // namespace
}  // namespace quorvel::testing
