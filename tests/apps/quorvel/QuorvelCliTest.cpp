// The quorvel executable on built machines: what tests/e2e and the install test (which runs
// --fresh-demo) do not drive: reg query's output and errors, machine info.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;
using platform::RegValue;

class QuorvelCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(BinDir() / "quorvel")) GTEST_SKIP() << "quorvel is not built";
    }
    // quorvel --machine <the builder's prefix> args...
    ProgramRun quorvel(std::vector<std::string> args, const fs::path& machine = {}) {
        args.insert(args.begin(), {"--machine", (machine.empty() ? b.prefix() : machine).string()});
        return RunProgram(BinDir() / "quorvel", args);
    }
    MachineBuilder b;
};

TEST_F(QuorvelCli, RegQueryPrintsValuesAndSubkeysLikeRegExe) {
    const std::string key = "HKLM\\Software\\CliTest";
    b.value(key, "", RegValue::string("top"));
    b.value(key, "Text", RegValue::string("hello world"));
    b.value(key, "Expand", RegValue::string("%SystemRoot%\\x", platform::regtype::ExpandSz));
    b.value(key, "Bytes", RegValue::binary({0x00, 0xAB, 0x10}));
    b.value(key, "Number", RegValue::dword(0x2A));
    b.value(key, "Big", RegValue::qword(0x100000000ULL));
    b.value(key, "List", RegValue::multiString({"one", "two"}));
    b.value(key, "Nothing", RegValue::binary({}, platform::regtype::None));
    b.value(key + "\\Child", "Inner", RegValue::dword(1));
    b.key(key + "\\Empty");
    b.build();

    // Values in registry order: Wine keeps them sorted by name.
    const std::string expected =
        "\nHKEY_LOCAL_MACHINE\\Software\\CliTest\n"
        "    (Default)    REG_SZ    top\n"
        "    Big    REG_QWORD    0x100000000\n"
        "    Bytes    REG_BINARY    00AB10\n"
        "    Expand    REG_EXPAND_SZ    %SystemRoot%\\x\n"
        "    List    REG_MULTI_SZ    one\\0two\n"
        "    Nothing    REG_NONE    \n"
        "    Number    REG_DWORD    0x2a\n"
        "    Text    REG_SZ    hello world\n"
        "\nHKEY_LOCAL_MACHINE\\Software\\CliTest\\Child\n"
        "HKEY_LOCAL_MACHINE\\Software\\CliTest\\Empty\n";
    const auto r = quorvel({"reg", "query", key});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    // The long root name and a trailing backslash give the same listing.
    EXPECT_EQ(quorvel({"reg", "query", "HKEY_LOCAL_MACHINE\\Software\\CliTest\\"}).out, expected);
    // Keys are found whatever their case; /S lists the subkeys' values, an empty one alone.
    const auto tree = quorvel({"reg", "query", "hklm\\software\\clitest", "/S"});
    EXPECT_EQ(tree.exitCode, 0);
    for (const char* part : {"\nHKEY_LOCAL_MACHINE\\software\\clitest\\Child\n    Inner    "
                             "REG_DWORD    0x1\n\n",
                             "\nHKEY_LOCAL_MACHINE\\software\\clitest\\Empty\n\n"})
        EXPECT_NE(tree.out.find(part), std::string::npos) << tree.out;
}

TEST_F(QuorvelCli, RegQueryFailsClearlyForMissingKeysAndBadInput) {
    TempDir notAPrefix;
    const std::tuple<std::vector<std::string>, fs::path, const char*> rows[] = {
        {{"HKLM\\Software\\NoSuchKey"}, {}, "unable to find"},
        {{"HKLM\\Software\\NoSuchKey"}, {}, "key \"HKLM\\Software\\NoSuchKey\""},
        {{"HKXX\\Soft"}, {}, "invalid key name \"HKXX\\Soft\""},
        {{"HKLM\\Software", "/x"}, {}, "invalid switch \"/x\""},
        {{"HKLM"}, notAPrefix.path(), "not a Wine prefix"},
    };
    for (const auto& [key, machine, error] : rows) {
        std::vector<std::string> args{"reg", "query"};
        args.insert(args.end(), key.begin(), key.end());
        const auto r = quorvel(args, machine);
        EXPECT_EQ(r.exitCode, 1) << error;
        EXPECT_EQ(r.out, "") << error;
        EXPECT_NE(r.err.find(error), std::string::npos) << r.err;
    }
}

TEST_F(QuorvelCli, MachineInfoShowsVersionFoldersAndDrives) {
    TempDir cd;
    b.drive('D', cd.path(), platform::DriveType::CdRom);
    b.build();
    const auto r = quorvel({"machine", "info"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const char* expected : {"Windows 7 (version 6.1, build 7601, Service Pack 1)",
                                 "User:         tester", "Wine server:  not running",
                                 "C:\\users\\tester\\Temp", "C:\\users\\tester\\AppData\\Roaming",
                                 "C:\\Program Files (x86)", "C:\\  fixed", "D:\\  CD-ROM"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
    EXPECT_EQ(r.out.find("Hive problems"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::testing
