#include "core/settings/ProgramSettings.h"

#include <gtest/gtest.h>

#include "core/settings/SettingsKeys.h"
#include "support/MachineBuilder.h"

namespace quorvel::core {
namespace {

using platform::RootKey;
namespace keys = core::keys;

class StartupSettingsTest : public ::testing::Test {
protected:
    StartupSettingsTest() : machine_(builder_.build()), settings_(machine_->registry()) {}

    std::optional<std::int32_t> integer(std::string_view path, std::string_view name) {
        return settings_.readInteger(RootKey::CurrentUser, path, name);
    }

    quorvel::testing::MachineBuilder builder_;
    std::unique_ptr<platform::Machine> machine_;
    SettingsStore settings_;
};

TEST_F(StartupSettingsTest, CurrentViewChoosesThePageAndStoresOneWhenMissing) {
    EXPECT_EQ(OpenCurrentView(settings_), PageIndex::OneClick);
    EXPECT_EQ(integer(keys::kProgram, "Current View"), 1);

    const std::pair<int, PageIndex> cases[] = {{0, PageIndex::Status},
                                               {2, PageIndex::Modules},
                                               {7, PageIndex::Status},
                                               {-1, PageIndex::Status}};
    for (const auto& [stored, page] : cases) {
        settings_.writeInteger(RootKey::CurrentUser, keys::kProgram, "Current View", stored);
        EXPECT_EQ(OpenCurrentView(settings_), page) << stored;
        EXPECT_EQ(integer(keys::kProgram, "Current View"), stored) << "read, not rewritten";
    }
    // A value of the wrong type is not a page number: the default page, the value left alone.
    settings_.writeString(RootKey::CurrentUser, keys::kProgram, "Current View", "2");
    EXPECT_EQ(OpenCurrentView(settings_), PageIndex::OneClick);

    StoreCurrentView(settings_, PageIndex::Modules);
    EXPECT_EQ(integer(keys::kProgram, "Current View"), 2);
}

TEST_F(StartupSettingsTest, PortableRestoreSwapsTreesOnlyWhenBothSaySo) {
    // Portable set but no backup tree: nothing is deleted.
    settings_.writeBool(RootKey::CurrentUser, keys::kProgram, "Portable", true);
    settings_.writeString(RootKey::CurrentUser, keys::kSettings, "Mine", "kept");
    EXPECT_FALSE(RestorePortableSettings(settings_, false));
    EXPECT_EQ(settings_.readString(RootKey::CurrentUser, keys::kSettings, "Mine"), "kept");

    // With a backup tree the program tree is replaced and the backup key is gone.
    settings_.writeString(RootKey::CurrentUser, std::string(keys::kProgramBackup) + "\\Settings",
                          "Mine", "restored");
    // A portable program never restores, whatever Portable says.
    EXPECT_FALSE(RestorePortableSettings(settings_, true));
    EXPECT_EQ(settings_.readString(RootKey::CurrentUser, keys::kSettings, "Mine"), "kept");

    EXPECT_TRUE(RestorePortableSettings(settings_, false));
    EXPECT_EQ(settings_.readString(RootKey::CurrentUser, keys::kSettings, "Mine"), "restored");
    EXPECT_FALSE(settings_.valueExists(RootKey::CurrentUser, keys::kProgram, "Portable"));
    EXPECT_FALSE(settings_.keyExists(RootKey::CurrentUser, keys::kProgramBackup));

    // Portable false with a backup tree: nothing happens.
    settings_.writeString(RootKey::CurrentUser, keys::kProgramBackup, "X", "1");
    settings_.writeBool(RootKey::CurrentUser, keys::kProgram, "Portable", false);
    EXPECT_FALSE(RestorePortableSettings(settings_, false));
    EXPECT_TRUE(settings_.keyExists(RootKey::CurrentUser, keys::kProgramBackup));
}

TEST_F(StartupSettingsTest, CloseToTrayShowsTheBalloonOncePerRun) {
    // Default: closing ends the program, no balloon.
    MarkFirstRun(settings_);
    CloseDecision first = DecideClose(settings_);
    EXPECT_FALSE(first.toTray);
    EXPECT_FALSE(first.showBalloon);
    EXPECT_EQ(integer(keys::kSettings, "FirstRun"), 2);
    EXPECT_EQ(settings_.readBool(RootKey::CurrentUser, keys::kSettings, "ShowBalloonMinitotray"),
              true);

    settings_.writeBool(RootKey::CurrentUser, keys::kSettings, "Minitotray", true);
    MarkFirstRun(settings_);  // a new run
    first = DecideClose(settings_);
    EXPECT_TRUE(first.toTray);
    EXPECT_TRUE(first.showBalloon);
    const CloseDecision second = DecideClose(settings_);
    EXPECT_TRUE(second.toTray);
    EXPECT_FALSE(second.showBalloon);

    MarkFirstRun(settings_);  // after a restart it shows again, once
    EXPECT_TRUE(DecideClose(settings_).showBalloon);

    settings_.writeBool(RootKey::CurrentUser, keys::kSettings, "ShowBalloonMinitotray", false);
    MarkFirstRun(settings_);
    EXPECT_FALSE(DecideClose(settings_).showBalloon);
}

TEST_F(StartupSettingsTest, UpdateCheckIsWantedUnlessSwitchedOff) {
    EXPECT_TRUE(UpdateCheckWanted(settings_));
    EXPECT_EQ(integer(keys::kSettings, "Checkupdates"), 1);
    settings_.writeInteger(RootKey::CurrentUser, keys::kSettings, "Checkupdates", 0);
    EXPECT_FALSE(UpdateCheckWanted(settings_));
}

TEST_F(StartupSettingsTest, InstallInfoGoesUnderTheLocalMachine) {
    WriteInstallInfo(settings_, "1.2.3", "Z:\\opt\\q\\");
    EXPECT_EQ(settings_.readString(RootKey::LocalMachine, keys::kProgram, "Version"), "1.2.3");
    EXPECT_EQ(settings_.readString(RootKey::LocalMachine, keys::kProgram, "RootDir"),
              "Z:\\opt\\q\\");
}

}  // namespace
}  // namespace quorvel::core
