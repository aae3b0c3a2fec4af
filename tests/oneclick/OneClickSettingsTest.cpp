#include <gtest/gtest.h>

#include "core/settings/SettingsStore.h"
#include "oneclick/OneClickSettings.h"
#include "support/MachineBuilder.h"

namespace quorvel::testing {
namespace {

using oneclick::ScanCategory;
using platform::RegValue;
using platform::RootKey;

constexpr std::string_view kOneClick = "\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick";

TEST(OneClickSettings, FirstRunWritesEveryDefault) {
    MachineBuilder b;
    auto machine = b.build();
    auto& reg = machine->registry();
    const auto selection = oneclick::LoadSelection(reg);
    for (const auto c : oneclick::kAllCategories) {
        EXPECT_EQ(selection[oneclick::Index(c)], c != ScanCategory::Tracks);
    }
    const core::SettingsStore store(reg);
    for (const auto name : {"Registry", "Shortcuts", "Startup", "Junk", "Spyware"}) {
        EXPECT_EQ(store.readBool(RootKey::CurrentUser, oneclick::kSelectedKey, name), true) << name;
    }
    EXPECT_EQ(store.readBool(RootKey::CurrentUser, oneclick::kSelectedKey, "Privacy"), false);

    const auto options = oneclick::LoadAutocareOptions(reg);
    EXPECT_TRUE(options.scanfix);
    EXPECT_TRUE(options.createRestorePoint);
    EXPECT_EQ(store.readBool(RootKey::CurrentUser, kOneClick, "scanfix"), true);
    EXPECT_EQ(store.readBool(RootKey::CurrentUser, kOneClick, "createrestorepoint"), true);
}

TEST(OneClickSettings, StoredValuesWinAndSurviveASave) {
    MachineBuilder b;
    b.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick\\Selected", "registry",
            RegValue::dword(0));  // names are matched without regard to case
    b.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick\\Selected", "Privacy",
            RegValue::dword(7));  // any non-zero number is true
    b.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick", "scanfix",
            RegValue::dword(0));
    auto machine = b.build();
    auto& reg = machine->registry();

    auto selection = oneclick::LoadSelection(reg);
    EXPECT_FALSE(selection[oneclick::Index(ScanCategory::Registry)]);
    EXPECT_TRUE(selection[oneclick::Index(ScanCategory::Tracks)]);
    EXPECT_TRUE(selection[oneclick::Index(ScanCategory::Junk)]);
    EXPECT_FALSE(oneclick::LoadScanFix(reg));

    selection[oneclick::Index(ScanCategory::Junk)] = false;
    ASSERT_TRUE(oneclick::SaveSelection(reg, selection));
    EXPECT_EQ(oneclick::LoadSelection(reg), selection);
    ASSERT_TRUE(oneclick::SaveAutocareOptions(reg, {true, false}));
    const auto options = oneclick::LoadAutocareOptions(reg);
    EXPECT_TRUE(options.scanfix);
    EXPECT_FALSE(options.createRestorePoint);
}

TEST(OneClickSettings, DamagedValuesGiveDefaults) {
    MachineBuilder b;
    b.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick\\Selected", "Spyware",
            RegValue::string("yes"));
    b.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick", "scanfix",
            RegValue::binary({1, 2, 3}));
    auto machine = b.build();
    const auto selection = oneclick::LoadSelection(machine->registry());
    EXPECT_TRUE(selection[oneclick::Index(ScanCategory::Spyware)]);
    EXPECT_TRUE(oneclick::LoadScanFix(machine->registry()));
}

TEST(OneClickSettings, CategoryNames) {
    EXPECT_EQ(oneclick::CategoryFromName("JUNK"), ScanCategory::Junk);
    EXPECT_EQ(oneclick::CategoryFromName("privacy"), ScanCategory::Tracks);
    EXPECT_EQ(oneclick::CategoryFromName("tracks"), ScanCategory::Tracks);
    EXPECT_FALSE(oneclick::CategoryFromName("").has_value());
    EXPECT_FALSE(oneclick::CategoryFromName("registry,junk").has_value());
}

}  // namespace
}  // namespace quorvel::testing
