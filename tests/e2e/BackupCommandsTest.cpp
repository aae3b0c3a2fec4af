// The backup and registry commands of quorvel on built machines.
#include <gtest/gtest.h>

#include <filesystem>

#include "QuorvelRun.h"
#include "platform/RegistryTypes.h"
#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace e2e;
using platform::RegValue;

constexpr const char* kAwkward = "HKCU\\Software\\Awk\\ward";

class BackupCommands : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(quorvelExe())) GTEST_SKIP() << "the quorvel executable is not built";
        builder.value(kAwkward, "quote \" back\\slash [x]", RegValue::string("caf\xC3\xA9"));
        builder.value(kAwkward, "", RegValue::binary({}, platform::regtype::None));
        builder.value(kAwkward, "multi", RegValue::multiString({"", "b", ""}));
        builder.value(std::string(kAwkward) + "\\Sub [1]", "odd", RegValue::binary({0, 0}, 0x1234));
        builder.value("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Gone",
                      RegValue::string("C:\\Gone\\agent.exe"));
        (void)builder.build();
        machine = machineArg(builder.prefix());
    }

    fs::path file(const char* name) const { return work.path() / name; }

    testing::MachineBuilder builder;
    testing::TempDir work;
    std::string machine;
};

TEST_F(BackupCommands, GlobalOptionsAfterTheSubcommand) {
    const auto before = runQuorvel(machine + "reg query 'HKCU\\Software\\Awk' /s");
    const auto after = runQuorvel("reg query 'HKCU\\Software\\Awk' /s " + machine);
    ASSERT_EQ(before.first, 0);
    EXPECT_EQ(after, before);
    EXPECT_NE(before.second.find("ward"), std::string::npos);
}

TEST_F(BackupCommands, RegExportAndImportRoundTripAKeyTree) {
    ASSERT_EQ(runQuorvel(machine + "reg export '" + std::string(kAwkward) + "' '" +
                         file("a.reg").string() + "'")
                  .first,
              0);
    const std::string text = testing::ReadUtf16File(file("a.reg"));
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Awk\\ward\\Sub [1]]"), std::string::npos);

    // Import into a machine without the key: exporting it again gives the same file.
    testing::MachineBuilder other;
    (void)other.build();
    const std::string target = machineArg(other.prefix());
    ASSERT_EQ(runQuorvel(target + "reg import '" + file("a.reg").string() + "'").first, 0);
    ASSERT_EQ(runQuorvel(target + "reg export '" + std::string(kAwkward) + "' '" +
                         file("b.reg").string() + "'")
                  .first,
              0);
    EXPECT_EQ(testing::ReadUtf16File(file("b.reg")), text);

    // An existing file is kept unless --force is given.
    const std::string exportB =
        machine + "reg export '" + std::string(kAwkward) + "' '" + file("b.reg").string() + "'";
    testing::WriteWholeFile(file("b.reg"), "mine");
    EXPECT_NE(runQuorvel(exportB).first, 0);
    EXPECT_EQ(testing::ReadWholeFile(file("b.reg")), "mine");
    ASSERT_EQ(runQuorvel(exportB + " --force").first, 0);
    EXPECT_EQ(testing::ReadUtf16File(file("b.reg")), text);

    // The same file saved as UTF-8, with and without a byte-order mark, imports alike.
    for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
        testing::MachineBuilder utf8;
        (void)utf8.build();
        testing::WriteWholeFile(file("u.reg"), bom + text);
        ASSERT_EQ(
            runQuorvel(machineArg(utf8.prefix()) + "reg import '" + file("u.reg").string() + "'")
                .first,
            0)
            << "BOM: " << bom.size();
        fs::remove(file("c.reg"));
        ASSERT_EQ(runQuorvel(machineArg(utf8.prefix()) + "reg export '" + std::string(kAwkward) +
                             "' '" + file("c.reg").string() + "'")
                      .first,
                  0);
        EXPECT_EQ(testing::ReadUtf16File(file("c.reg")), text);
    }

    // Errors: unknown root, missing key, damaged file (which changes nothing).
    EXPECT_NE(runQuorvel(machine + "reg export 'HKXX\\A' '" + file("c.reg").string() + "'").first,
              0);
    EXPECT_NE(
        runQuorvel(machine + "reg export 'HKCU\\Nope' '" + file("c.reg").string() + "'").first, 0);
    testing::WriteWholeFile(file("bad.reg"), "\xFF\xFEW");
    EXPECT_NE(runQuorvel(target + "reg import '" + file("bad.reg").string() + "'").first, 0);
    EXPECT_NE(runQuorvel(target + "reg import '" + file("none.reg").string() + "'").first, 0);
}

TEST_F(BackupCommands, DryRunListsThePlanAndChangesNothing) {
    const std::string before = fullExport(builder.prefix(), work.path());
    const auto [code, out] = runQuorvel(machine + "repair registry --dry-run");
    EXPECT_EQ(code, 0);
    EXPECT_NE(out.find("would delete value  HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                       "CurrentVersion\\Run - Gone"),
              std::string::npos)
        << out;
    EXPECT_EQ(fullExport(builder.prefix(), work.path()), before);
    EXPECT_EQ(newestBackup(builder.prefix()), "");
}

TEST_F(BackupCommands, RepairThenListRestoreAndDeleteTheBackup) {
    const std::string before = fullExport(builder.prefix(), work.path());
    ASSERT_EQ(runQuorvel(machine + "repair registry").first, 0);
    EXPECT_NE(fullExport(builder.prefix(), work.path()), before);

    const auto [code, json] = runQuorvel(machine + "backups list --json");
    EXPECT_EQ(code, 0);
    EXPECT_NE(json.find("\"type\": \"29001\""), std::string::npos) << json;
    const std::string id = newestBackup(builder.prefix());
    ASSERT_FALSE(id.empty());
    EXPECT_NE(json.find("\"id\": \"" + id + "\""), std::string::npos) << json;

    EXPECT_EQ(runQuorvel(machine + "backups restore " + id).first, 0);
    EXPECT_EQ(fullExport(builder.prefix(), work.path()), before);

    EXPECT_NE(runQuorvel(machine + "backups restore 12345.5").first, 0);
    EXPECT_EQ(runQuorvel(machine + "backups delete " + id).first, 0);
    EXPECT_EQ(newestBackup(builder.prefix()), "");
    EXPECT_NE(runQuorvel(machine + "backups delete " + id).first, 0);
    EXPECT_NE(runQuorvel(machine + "backups restore " + id).first, 0);
}

}  // namespace
}  // namespace quorvel
