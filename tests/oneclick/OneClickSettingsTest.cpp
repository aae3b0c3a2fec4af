#include <gtest/gtest.h>

#include "core/settings/SettingsStore.h"
#include "oneclick/OneClickSettings.h"
#include "support/MachineBuilder.h"

namespace quorvel::testing {
namespace {

using oneclick::ScanCategory;
using platform::RegValue;
using platform::RootKey;

const std::string kOneClick = "\\Software\\QuorvelSoft\\Quorvel Utilities\\OneClick";

TEST(OneClickSettings, FirstRunWritesEveryDefault) {
    MachineBuilder b;
    auto machine = b.build();
    const auto selection = oneclick::LoadSelection(machine->registry());
    const auto options = oneclick::LoadAutocareOptions(machine->registry());
    const core::SettingsStore store(machine->registry());
    // The stored names in the categories' order: all but the privacy tracks are ticked.
    const char* names[] = {"Registry", "Shortcuts", "Startup", "Junk", "Privacy", "Spyware"};
    for (int i = 0; i < oneclick::kCategoryCount; ++i) {
        EXPECT_EQ(selection[i], i != 4) << names[i];
        EXPECT_EQ(store.readBool(RootKey::CurrentUser, oneclick::kSelectedKey, names[i]), i != 4);
    }
    EXPECT_TRUE(options.scanfix && options.createRestorePoint);
    for (const char* name : {"scanfix", "createrestorepoint"})
        EXPECT_EQ(store.readBool(RootKey::CurrentUser, kOneClick, name), true) << name;
}

TEST(OneClickSettings, StoredValuesWinAndDamagedOnesGiveDefaults) {
    MachineBuilder b;
    b.value("HKCU" + kOneClick + "\\Selected", "registry", RegValue::dword(0));  // any case
    b.value("HKCU" + kOneClick + "\\Selected", "Privacy", RegValue::dword(7));   // non-zero: true
    b.value("HKCU" + kOneClick + "\\Selected", "Spyware", RegValue::string("yes"));  // damaged
    b.value("HKCU" + kOneClick, "createrestorepoint", RegValue::dword(0));
    b.value("HKCU" + kOneClick, "scanfix", RegValue::binary({1, 2, 3}));  // damaged
    auto machine = b.build();
    const auto selection = oneclick::LoadSelection(machine->registry());
    EXPECT_EQ(selection, (oneclick::Selection{false, true, true, true, true, true}));
    EXPECT_TRUE(oneclick::LoadScanFix(machine->registry()));
    EXPECT_FALSE(oneclick::LoadAutocareOptions(machine->registry()).createRestorePoint);

    MachineBuilder off;
    off.value("HKCU" + kOneClick, "scanfix", RegValue::dword(0));
    EXPECT_FALSE(oneclick::LoadScanFix(off.build()->registry()));
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
