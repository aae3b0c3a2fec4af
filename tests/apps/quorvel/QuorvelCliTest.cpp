// Runs the built quorvel executable on machines made by MachineBuilder.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using quorvel::platform::DriveType;
using quorvel::platform::RegValue;
using quorvel::platform::regtype::None;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;

namespace {

using Run = quorvel::testing::ProgramRun;
using quorvel::testing::ReadWholeFile;

fs::path quorvelBinary() {
    return quorvel::testing::BinDir() / "quorvel";
}

Run runQuorvel(const std::vector<std::string>& args) {
    return quorvel::testing::RunProgram(quorvelBinary(), args);
}

class QuorvelCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(quorvelBinary()))
            GTEST_SKIP() << "quorvel is not built: " << quorvelBinary();
    }
};

}  // namespace

TEST_F(QuorvelCli, RegQueryPrintsValuesAndSubkeysLikeRegExe) {
    MachineBuilder b;
    const std::string key = "HKLM\\Software\\CliTest";
    b.value(key, "", RegValue::string("top"));
    b.value(key, "Text", RegValue::string("hello world"));
    b.value(key, "Expand",
            RegValue::string("%SystemRoot%\\x", quorvel::platform::regtype::ExpandSz));
    b.value(key, "Bytes", RegValue::binary({0x00, 0xAB, 0x10}));
    b.value(key, "Number", RegValue::dword(0x2A));
    b.value(key, "Big", RegValue::qword(0x100000000ULL));
    b.value(key, "List", RegValue::multiString({"one", "two"}));
    b.value(key, "Nothing", RegValue::binary({}, None));
    b.value(key + "\\Child", "Inner", RegValue::dword(1));
    b.key(key + "\\Empty");
    b.build();

    // Values in registry order: Wine keeps them sorted by name.
    const std::string expected =
        "\n"
        "HKEY_LOCAL_MACHINE\\Software\\CliTest\n"
        "    (Default)    REG_SZ    top\n"
        "    Big    REG_QWORD    0x100000000\n"
        "    Bytes    REG_BINARY    00AB10\n"
        "    Expand    REG_EXPAND_SZ    %SystemRoot%\\x\n"
        "    List    REG_MULTI_SZ    one\\0two\n"
        "    Nothing    REG_NONE    \n"
        "    Number    REG_DWORD    0x2a\n"
        "    Text    REG_SZ    hello world\n"
        "\n"
        "HKEY_LOCAL_MACHINE\\Software\\CliTest\\Child\n"
        "HKEY_LOCAL_MACHINE\\Software\\CliTest\\Empty\n";
    const auto r = runQuorvel({"--machine", b.prefix().string(), "reg", "query", key});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    // The long root name and a trailing backslash give the same listing.
    EXPECT_EQ(runQuorvel({"--machine", b.prefix().string(), "reg", "query",
                          "HKEY_LOCAL_MACHINE\\Software\\CliTest\\"})
                  .out,
              expected);

    const auto recursive = runQuorvel(
        {"--machine", b.prefix().string(), "reg", "query", "HKLM\\Software\\CliTest\\Child", "/s"});
    EXPECT_EQ(recursive.exitCode, 0);
    EXPECT_EQ(recursive.out,
              "\nHKEY_LOCAL_MACHINE\\Software\\CliTest\\Child\n    Inner    REG_DWORD    0x1\n\n");
    const auto tree = runQuorvel(
        {"--machine", b.prefix().string(), "reg", "query", "hklm\\software\\clitest", "/S"});
    EXPECT_NE(tree.out.find("\nHKEY_LOCAL_MACHINE\\software\\clitest\\Child\n    Inner"),
              std::string::npos)
        << tree.out;
    EXPECT_NE(tree.out.find("\nHKEY_LOCAL_MACHINE\\software\\clitest\\Empty\n\n"),
              std::string::npos);
}

TEST_F(QuorvelCli, RegQueryFailsClearlyForMissingKeysAndBadInput) {
    MachineBuilder b;
    const auto missing =
        runQuorvel({"--machine", b.prefix().string(), "reg", "query", "HKLM\\Software\\NoSuchKey"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("unable to find"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("HKLM\\Software\\NoSuchKey"), std::string::npos);

    const auto badRoot =
        runQuorvel({"--machine", b.prefix().string(), "reg", "query", "HKXX\\Soft"});
    EXPECT_EQ(badRoot.exitCode, 1);
    EXPECT_NE(badRoot.err.find("invalid key name"), std::string::npos);
    const auto badSwitch =
        runQuorvel({"--machine", b.prefix().string(), "reg", "query", "HKLM\\Software", "/x"});
    EXPECT_EQ(badSwitch.exitCode, 1);

    TempDir notAPrefix;
    const auto wrong =
        runQuorvel({"--machine", notAPrefix.path().string(), "reg", "query", "HKLM"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.err.find("not a Wine prefix"), std::string::npos) << wrong.err;
}

TEST_F(QuorvelCli, MachineInfoShowsVersionFoldersAndDrives) {
    TempDir cd;
    MachineBuilder b;
    b.drive('D', cd.path(), DriveType::CdRom);
    b.build();
    const auto r = runQuorvel({"--machine", b.prefix().string(), "machine", "info"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const char* expected : {"Windows 7 (version 6.1, build 7601, Service Pack 1)",
                                 "User:         tester", "Wine server:  not running",
                                 "C:\\users\\tester\\Temp", "C:\\users\\tester\\AppData\\Roaming",
                                 "C:\\Program Files (x86)", "C:\\  fixed", "D:\\  CD-ROM"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
    EXPECT_EQ(r.out.find("Hive problems"), std::string::npos);
}

TEST_F(QuorvelCli, FreshDemoIsCopiedIntoTheDataFolder) {
    const fs::path demo = quorvelBinary().parent_path() / "demo";
    if (!fs::exists(demo / "system.reg")) GTEST_SKIP() << "no demo machine beside quorvel";
    TempDir data;
    const quorvel::testing::ProgramRun r = quorvel::testing::RunProgram(
        "/usr/bin/env", {"XDG_DATA_HOME=" + data.path().string(), quorvelBinary().string(),
                         "--fresh-demo", "machine", "info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const fs::path copy = data.path() / "quorvel" / "demo-machine";
    EXPECT_TRUE(fs::exists(copy / "system.reg"));
    EXPECT_TRUE(fs::is_symlink(copy / "dosdevices" / "c:"));
}
