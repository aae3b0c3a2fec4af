#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings/SettingsStore.h"
#include "oneclick/HeadlessSession.h"
#include "oneclick/TerminalView.h"
#include "support/MachineBuilder.h"

namespace quorvel::testing {
namespace {

using oneclick::ScanCategory;
using platform::RegValue;

// The real registry scanner and repair thread inside the pass, on a built machine where the
// registry scan finds only the planted empty key (the builder leaves three shell folders
// uncreated), with only the registry ticked.
class RegistryCategory : public ::testing::Test {
protected:
    static std::unique_ptr<platform::wineprefix::WinePrefixMachine> build(MachineBuilder& b) {
        for (const char* folder :
             {"Local\\Microsoft\\Windows\\INetCookies", "Roaming\\Microsoft\\Windows\\SendTo",
              "Roaming\\Microsoft\\Windows\\Templates"})
            b.folder("C:\\users\\tester\\AppData\\" + std::string(folder));
        b.key("HKCU\\Software\\Left Behind\\Empty");
        return b.build();
    }
    void SetUp() override {
        oneclick::Selection only{};
        only[oneclick::Index(ScanCategory::Registry)] = true;
        run.setSelection(only);
    }

    MachineBuilder b;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine = build(b);
    oneclick::TerminalView view{nullptr, false};
    oneclick::HeadlessSession session{
        *machine, std::filesystem::read_symlink("/proc/self/exe").parent_path(), view};
    oneclick::OneClickRun& run = session.run();
};

TEST_F(RegistryCategory, OneFindingScansRepairsWithBackupAndRescansClean) {
    run.start();
    ASSERT_EQ(session.regFindings().size(), 1u);
    EXPECT_EQ(view.result(ScanCategory::Registry).text, "1 problem found");
    EXPECT_TRUE(view.result(ScanCategory::Registry).details);
    EXPECT_EQ(run.startTag(), oneclick::StartTag::Repair);

    run.start();
    EXPECT_TRUE(run.repairProblem().empty()) << run.repairProblem();
    EXPECT_FALSE(run.currentBackupId().empty());
    EXPECT_FALSE(core::SettingsStore(machine->registry())
                     .keyExists(platform::RootKey::CurrentUser, "\\Software\\Left Behind"));
    run.start();
    EXPECT_EQ(session.regFindings().size(), 0u);
    EXPECT_EQ(view.result(ScanCategory::Registry).text, "No problems found");
    EXPECT_FALSE(view.result(ScanCategory::Registry).details);
}

TEST_F(RegistryCategory, IgnoreListIsReloadedAtEveryStart) {
    // Put on the ignore list after the session loaded it: the next scan still honours it.
    ASSERT_TRUE(core::SettingsStore(machine->registry())
                    .writeInteger(platform::RootKey::CurrentUser,
                                  "\\Software\\QuorvelSoft\\Quorvel Utilities\\Tolvane\\IgnoreList",
                                  "HKEY_CURRENT_USER\\Software\\Left Behind", 1));
    run.start();
    EXPECT_EQ(session.regFindings().size(), 0u);
    EXPECT_EQ(run.startTag(), oneclick::StartTag::Scan);
}

}  // namespace
}  // namespace quorvel::testing
