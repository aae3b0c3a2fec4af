#include <gtest/gtest.h>

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "support/MachineBuilder.h"

namespace quorvel::core {
namespace {

using platform::RegValue;
using platform::RootKey;
using quorvel::testing::MachineBuilder;

constexpr RootKey HKCU = RootKey::CurrentUser;

TEST(SettingsStore, ValueTypesForeignValuesAndDefaults) {
    MachineBuilder b;
    b.value("HKCU\\Software\\Test", "Seven", RegValue::dword(7));
    b.value("HKCU\\Software\\Test", "TextFive", RegValue::string("5"));
    b.value("HKCU\\Software\\Test", "Expand",
            RegValue::string("%TEMP%\\x", platform::regtype::ExpandSz));
    b.value("HKCU\\Software\\Test", "Short", RegValue::binary({1, 2}));
    auto m = b.build();
    SettingsStore store(m->registry());
    const std::string_view key = "\\Software\\Test";

    // Booleans and integers are DWORDs; a boolean is stored as exactly 0 or 1.
    ASSERT_TRUE(store.writeInteger(HKCU, key, "Number", -7));
    ASSERT_TRUE(store.writeBool(HKCU, key, "Flag", true));
    EXPECT_EQ(store.readInteger(HKCU, key, "Number"), -7);
    auto raw = m->registry().openKey(HKCU, key);
    ASSERT_TRUE(raw);
    EXPECT_EQ((*raw)->value("Flag"), RegValue::dword(1));
    EXPECT_EQ((*raw)->value("Number"), RegValue::dword(0xFFFFFFF9U));

    // Any non-zero DWORD is true; a value of another type is no integer; strings stay unexpanded.
    EXPECT_EQ(store.readBool(HKCU, key, "Seven"), true);
    EXPECT_EQ(store.readInteger(HKCU, key, "TextFive"), std::nullopt);
    EXPECT_EQ(store.readString(HKCU, key, "Seven"), std::nullopt);
    EXPECT_EQ(store.readString(HKCU, key, "Expand"), "%TEMP%\\x");
    EXPECT_EQ(store.readInteger(HKCU, key, "Short"), std::nullopt);
    // Reading never creates.
    EXPECT_EQ(store.readInteger(HKCU, "\\Software\\Missing", "Seven"), std::nullopt);
    EXPECT_FALSE(store.keyExists(HKCU, "\\Software\\Missing"));

    // Defaults are written only when missing; a value of another type is neither used nor
    // overwritten.
    auto settings = SettingsKey::open(m->registry(), HKCU, key, false);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->integerWithDefault("Seven", 60), 7);
    EXPECT_EQ(settings->integerWithDefault("New", 60), 60);
    EXPECT_EQ(settings->readInteger("New"), 60);
    EXPECT_EQ(settings->integerWithDefault("TextFive", 1), 1);
    EXPECT_EQ(settings->readString("TextFive"), "5");
    EXPECT_EQ(settings->stringWithDefault("NewText", "x"), "x");
    EXPECT_EQ(settings->stringWithDefault("NewText", "y"), "x");
}

TEST(SettingsStore, DeleteTreeTakesTheKeyAndItsSubtreeOnly) {
    MachineBuilder b;
    b.value("HKCU\\Software\\Vendor\\App\\Sub\\Deep", "v", RegValue::dword(1));
    b.value("HKCU\\Software\\Vendor\\App", "v", RegValue::dword(1));
    b.value("HKCU\\Software\\Vendor\\App Backup", "v", RegValue::dword(2));
    auto m = b.build();
    SettingsStore store(m->registry());
    EXPECT_TRUE(store.deleteTree(HKCU, "\\Software\\Vendor\\App"));
    EXPECT_FALSE(store.keyExists(HKCU, "\\Software\\Vendor\\App"));
    EXPECT_TRUE(store.keyExists(HKCU, "\\Software\\Vendor\\App Backup"));
    // The root itself is never deleted.
    EXPECT_FALSE(store.deleteTree(HKCU, ""));
    EXPECT_FALSE(store.deleteTree(HKCU, "\\"));
    EXPECT_TRUE(store.keyExists(HKCU, "\\Software\\Vendor\\App Backup"));
}

TEST(SettingsStore, MoveTreeCopiesEverythingThenDeletesTheSource) {
    MachineBuilder b;
    b.value("HKCU\\Software\\V\\Backup", "Language", RegValue::string("german.lng"));
    b.value("HKCU\\Software\\V\\Backup\\Settings", "BackupsMax", RegValue::dword(5));
    b.value("HKCU\\Software\\V\\Backup\\Settings\\AvailableModules", "OneClick",
            RegValue::dword(0));
    b.value("HKCU\\Software\\V\\Backup\\Empty\\AlsoEmpty", "", RegValue::binary({}));
    b.value("HKCU\\Software\\V\\Main", "Stale", RegValue::dword(9));
    auto m = b.build();
    SettingsStore store(m->registry());
    ASSERT_TRUE(store.deleteTree(HKCU, "\\Software\\V\\Main"));
    ASSERT_TRUE(store.moveTree(HKCU, "\\Software\\V\\Backup", "\\Software\\V\\Main"));

    EXPECT_FALSE(store.keyExists(HKCU, "\\Software\\V\\Backup"));
    EXPECT_EQ(store.readString(HKCU, "\\Software\\V\\Main", "Language"), "german.lng");
    EXPECT_EQ(store.readInteger(HKCU, "\\Software\\V\\Main\\Settings", "BackupsMax"), 5);
    EXPECT_EQ(store.readBool(HKCU, "\\Software\\V\\Main\\Settings\\AvailableModules", "OneClick"),
              false);
    EXPECT_TRUE(store.keyExists(HKCU, "\\Software\\V\\Main\\Empty\\AlsoEmpty"));
    EXPECT_FALSE(store.valueExists(HKCU, "\\Software\\V\\Main", "Stale"));
}

TEST(SettingsStore, MoveTreeRefusesWhatWouldLoseData) {
    MachineBuilder b;
    b.value("HKCU\\Software\\V\\Tree\\Sub", "v", RegValue::dword(1));
    auto m = b.build();
    SettingsStore store(m->registry());
    // Onto itself (any spelling): copying and deleting would leave nothing.
    EXPECT_FALSE(store.moveTree(HKCU, "\\Software\\V\\Tree", "\\software\\v\\TREE\\"));
    // Into its own subtree: the copy would never end.
    EXPECT_FALSE(store.moveTree(HKCU, "\\Software\\V\\Tree", "\\Software\\V\\Tree\\Sub\\Inner"));
    EXPECT_EQ(store.readInteger(HKCU, "\\Software\\V\\Tree\\Sub", "v"), 1);
    EXPECT_FALSE(store.keyExists(HKCU, "\\Software\\V\\Tree\\Sub\\Inner"));
    // A sibling whose name only starts like the source is a valid target.
    EXPECT_TRUE(store.moveTree(HKCU, "\\Software\\V\\Tree", "\\Software\\V\\Tree2"));
    EXPECT_EQ(store.readInteger(HKCU, "\\Software\\V\\Tree2\\Sub", "v"), 1);
}

TEST(SettingsStore, WritesSurviveReopeningTheMachine) {
    MachineBuilder b;
    auto m = b.build();
    ASSERT_TRUE(SettingsStore(m->registry()).writeInteger(HKCU, keys::kSettings, "BackupsMax", 12));
    ASSERT_TRUE(m->registry().flush());
    auto reopened = platform::wineprefix::WinePrefixMachine::open(b.prefix());
    ASSERT_TRUE(reopened);
    SettingsStore again((*reopened)->registry());
    EXPECT_EQ(again.readInteger(HKCU, keys::kSettings, "BackupsMax"), 12);
}

}  // namespace
}  // namespace quorvel::core
