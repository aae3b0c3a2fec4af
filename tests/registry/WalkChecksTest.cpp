#include "ScanFixture.h"

namespace quorvel::registry::checktests {
namespace {

constexpr const char* kGone = "C:\\Program Files\\Vendor\\gone.exe";
constexpr const char* kHere = "C:\\Program Files\\Vendor\\here.exe";

class WalkChecks : public ScanFixture {
protected:
    void SetUp() override { builder.file(kHere, "MZ"); }
    void broken(std::string_view keyPath) { builder.value(keyPath, "Target", Sz(kGone)); }
};

TEST_F(WalkChecks, MachineHiveValuesWithDrivePaths) {
    const std::string app = "HKLM\\Software\\Vendor\\App";
    builder.value(app, "Gone", Sz(std::string("\"") + kGone + "\" /s"));
    builder.value(app, "Here", Sz(std::string(kHere) + " /s"));
    builder.value(app, "Expanded", Ex("%ProgramFiles%\\Vendor\\gone2.exe"));
    builder.value(app, "Number", RegValue::dword(5));
    builder.value(app, "List", RegValue::multiString({kGone}));
    builder.value(app, "Text", Sz("no path at all"));
    const std::filesystem::path cd = builder.prefix() / "cdrom";
    std::filesystem::create_directories(cd);
    builder.drive('D', cd, platform::DriveType::CdRom);
    builder.value(app, "OnCd", Sz("D:\\setup\\missing.exe"));

    const auto found = run(CheckLocalMachinePaths, 5);
    const auto atApp = at(found, "\\Software\\Vendor\\App");
    ASSERT_EQ(atApp.size(), 2u);  // registry order: Expanded, Gone
    EXPECT_EQ(atApp[0].ValueName, "Expanded");
    const auto& gone = atApp[1];
    EXPECT_EQ(gone.ValueName, "Gone");
    EXPECT_EQ(gone.Kind, DeleteValue);
    EXPECT_EQ(gone.RootKey, RootKey::LocalMachine);
    EXPECT_EQ(gone.Data, std::string("\"") + kGone + "\" /s");
    EXPECT_EQ(gone.Description,
              std::string("Value \"Gone\" refers to a missing file: \"") + kGone + "\" /s");

    // The bar stands at the end of the step the whole time; the text names key and value.
    ASSERT_FALSE(host.positions.empty());
    for (int p : host.positions)
        EXPECT_EQ(p, 10);
    EXPECT_NE(std::find(host.texts.begin(), host.texts.end(), "Software\\Vendor\\App\\Gone"),
              host.texts.end());
}

TEST_F(WalkChecks, SkipListSystemRuleAndWow6432NodeCut) {
    const std::pair<std::string, bool> rows[] = {
        // Areas of dedicated checks, and a skip entry that occurs deeper in a path.
        {"\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe", false},
        {"\\Software\\Classes\\CLSID\\{X}", false},
        {"\\Software\\Nest\\HKEY_LOCAL_MACHINE\\SYSTEM\\Inner", false},
        {"\\System\\Setup", false},
        // Below a key named System only CurrentControlSet is walked.
        {"\\Software\\Policies\\System\\Other", false},
        {"\\Software\\Policies\\System\\CurrentControlSet", true},
        {"\\Software\\Systems", true},
        // Subkeys from Wow6432Node on are not visited.
        {"\\Software\\Cut\\Alpha", true},
        {"\\Software\\Cut\\Beta", true},
        {"\\Software\\Cut\\Wow6432Node\\Vendor", false},
        {"\\Software\\Cut\\Zulu", false},
    };
    for (const auto& [key, reported] : rows)
        broken("HKLM" + key);

    const auto found = run(CheckLocalMachinePaths);
    for (const auto& [key, reported] : rows)
        EXPECT_EQ(at(found, key).size(), reported ? 1u : 0u) << key;
}

TEST_F(WalkChecks, UserHivesThroughTheUsersRoot) {
    const std::string user = std::string("HKU\\") + testing::MachineBuilder::kUserSid;
    broken(user + "\\Software\\Vendor");
    // Areas of the current-user checks are left to them, in every user's tree.
    broken(user + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.x");
    broken(user + "\\AppEvents\\Schemes\\Apps\\.Default\\Beep\\.Current");
    broken("HKU\\.Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    broken("HKU\\.Default\\Software\\Other");

    const auto found = run(CheckUserHivePaths, 10);
    // The user's own hive is filed under HKEY_CURRENT_USER.
    EXPECT_EQ(one(found, "\\Software\\Vendor").RootKey, RootKey::CurrentUser);
    EXPECT_EQ(at(found, "\\.Default\\Software\\Other").size(), 1u);
    EXPECT_EQ(found.size(), 2u);
    for (int p : host.positions) {
        EXPECT_GT(p, 10);
        EXPECT_LE(p, 15);
    }
}

TEST_F(WalkChecks, SoundEventsAndVirtualDeviceDrivers) {
    builder.value("HKCU\\AppEvents\\Schemes\\Apps\\.Default\\Beep\\.Current", "",
                  Sz("C:\\windows\\media\\gone.wav"));
    builder.file("C:\\windows\\media\\ding.wav", "RIFF");
    builder.value("HKCU\\AppEvents\\Schemes\\Apps\\.Default\\Ding\\.Current", "",
                  Sz("C:\\windows\\media\\ding.wav"));
    broken("HKLM\\System\\CurrentControlSet\\Services\\VxD\\Old");
    broken("HKLM\\System\\CurrentControlSet\\Control\\VirtualDeviceDrivers");

    const auto sounds = run(CheckSoundEvents, 80);
    EXPECT_EQ(sounds.size(), 1u);
    EXPECT_EQ(one(sounds, "\\AppEvents\\Schemes\\Apps\\.Default\\Beep\\.Current").RootKey,
              RootKey::CurrentUser);
    EXPECT_EQ(host.positions.back(), 85);

    const auto drivers = run(CheckVirtualDeviceDrivers, 95);
    expectCounts(drivers, {{"\\SYSTEM\\CurrentControlSet\\Services\\VxD\\Old", 1},
                           {"\\SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers", 1}});
}

}  // namespace
}  // namespace quorvel::registry::checktests
