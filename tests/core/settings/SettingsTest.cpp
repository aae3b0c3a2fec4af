#include <gtest/gtest.h>

#include <fstream>

#include "core/language/LoadLanguageAndSkin.h"
#include "core/settings/LoadSettingsPaths.h"
#include "core/settings/ModuleBackup.h"
#include "core/settings/ProgramSettings.h"
#include "core/settings/SettingsKeys.h"
#include "support/MachineBuilder.h"

namespace quorvel::core {
namespace {

namespace fs = std::filesystem;
using platform::RegValue;
using platform::RootKey;
constexpr RootKey HKCU = RootKey::CurrentUser;

void writeHostFile(const fs::path& file, std::string_view text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// Values go into the builder first; build() makes the machine and the store on it.
class Settings : public ::testing::Test {
protected:
    SettingsStore& build() {
        machine = builder.build();
        return store.emplace(machine->registry());
    }
    std::optional<std::int32_t> integer(std::string_view path, std::string_view name) {
        return store->readInteger(HKCU, path, name);
    }
    std::optional<std::string> text(std::string_view path, std::string_view name) {
        return store->readString(HKCU, path, name);
    }

    quorvel::testing::MachineBuilder builder;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine;
    std::optional<SettingsStore> store;
};

TEST_F(Settings, ValueTypesForeignValuesAndDefaults) {
    const std::string key = "\\Software\\Test";
    builder.value("HKCU" + key, "Seven", RegValue::dword(7))
        .value("HKCU" + key, "TextFive", RegValue::string("5"))
        .value("HKCU" + key, "Expand", RegValue::string("%TEMP%\\x", platform::regtype::ExpandSz))
        .value("HKCU" + key, "Short", RegValue::binary({1, 2}));
    auto& s = build();
    // Booleans and integers are DWORDs; a boolean is stored as exactly 0 or 1.
    ASSERT_TRUE(s.writeInteger(HKCU, key, "Number", -7));
    ASSERT_TRUE(s.writeBool(HKCU, key, "Flag", true));
    auto raw = machine->registry().openKey(HKCU, key);
    ASSERT_TRUE(raw);
    EXPECT_EQ((*raw)->value("Flag"), RegValue::dword(1));
    EXPECT_EQ((*raw)->value("Number"), RegValue::dword(0xFFFFFFF9U));
    // Any non-zero DWORD is true; a value of another type is no integer; strings stay unexpanded.
    EXPECT_EQ(s.readBool(HKCU, key, "Seven"), true);
    EXPECT_EQ(s.readInteger(HKCU, key, "TextFive"), std::nullopt);
    EXPECT_EQ(s.readString(HKCU, key, "Seven"), std::nullopt);
    EXPECT_EQ(s.readString(HKCU, key, "Expand"), "%TEMP%\\x");
    EXPECT_EQ(s.readInteger(HKCU, key, "Short"), std::nullopt);
    // Reading never creates.
    EXPECT_EQ(s.readInteger(HKCU, "\\Software\\Missing", "Seven"), std::nullopt);
    EXPECT_FALSE(s.keyExists(HKCU, "\\Software\\Missing"));
    // Defaults are written only when missing; a value of another type is neither used nor
    // overwritten.
    auto settings = SettingsKey::open(machine->registry(), HKCU, key, false);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->integerWithDefault("Seven", 60), 7);
    EXPECT_EQ(settings->integerWithDefault("New", 60), 60);
    EXPECT_EQ(settings->readInteger("New"), 60);
    EXPECT_EQ(settings->integerWithDefault("TextFive", 1), 1);
    EXPECT_EQ(settings->readString("TextFive"), "5");
    EXPECT_EQ(settings->stringWithDefault("NewText", "x"), "x");
    EXPECT_EQ(settings->stringWithDefault("NewText", "y"), "x");
}

TEST_F(Settings, DeleteAndMoveTreesTakeWholeSubtreesAndRefuseWhatWouldLoseData) {
    const std::string app = "\\Software\\V\\App", backup = app + " Backup", moved = backup + "2";
    builder.value("HKCU" + app + "\\Sub\\Deep", "v", RegValue::dword(1))
        .value("HKCU" + backup, "Language", RegValue::string("german.lng"))
        .value("HKCU" + backup + "\\Settings", "BackupsMax", RegValue::dword(5))
        .value("HKCU" + backup + "\\Empty\\AlsoEmpty", "", RegValue::binary({}));
    auto& s = build();
    EXPECT_TRUE(s.deleteTree(HKCU, app));
    EXPECT_FALSE(s.keyExists(HKCU, app));
    EXPECT_TRUE(s.keyExists(HKCU, backup));  // its name only starts like the deleted key
    // The root itself is never deleted.
    EXPECT_FALSE(s.deleteTree(HKCU, ""));
    EXPECT_FALSE(s.deleteTree(HKCU, "\\"));

    // Onto itself (any spelling) or into its own subtree: nothing moves.
    EXPECT_FALSE(s.moveTree(HKCU, backup, "\\software\\v\\APP BACKUP\\"));
    EXPECT_FALSE(s.moveTree(HKCU, backup, backup + "\\Settings\\In"));
    EXPECT_FALSE(s.keyExists(HKCU, backup + "\\Settings\\In"));
    // A sibling whose name only starts like the source is a valid target.
    ASSERT_TRUE(s.moveTree(HKCU, backup, moved));
    EXPECT_FALSE(s.keyExists(HKCU, backup));
    EXPECT_EQ(text(moved, "Language"), "german.lng");
    EXPECT_EQ(integer(moved + "\\Settings", "BackupsMax"), 5);
    EXPECT_TRUE(s.keyExists(HKCU, moved + "\\Empty\\AlsoEmpty"));
}

TEST_F(Settings, CurrentViewUpdateCheckAndInstallInfo) {
    auto& s = build();
    EXPECT_EQ(OpenCurrentView(s), PageIndex::OneClick);
    EXPECT_EQ(integer(keys::kProgram, "Current View"), 1);  // stored when missing
    const std::pair<int, PageIndex> cases[] = {{0, PageIndex::Status},
                                               {2, PageIndex::Modules},
                                               {7, PageIndex::Status},
                                               {-1, PageIndex::Status}};
    for (const auto& [stored, page] : cases) {
        s.writeInteger(HKCU, keys::kProgram, "Current View", stored);
        EXPECT_EQ(OpenCurrentView(s), page) << stored;
        EXPECT_EQ(integer(keys::kProgram, "Current View"), stored) << "read, not rewritten";
    }
    // A value of the wrong type is not a page number: the default page, the value left alone.
    s.writeString(HKCU, keys::kProgram, "Current View", "2");
    EXPECT_EQ(OpenCurrentView(s), PageIndex::OneClick);
    StoreCurrentView(s, PageIndex::Modules);
    EXPECT_EQ(integer(keys::kProgram, "Current View"), 2);

    EXPECT_TRUE(UpdateCheckWanted(s));
    EXPECT_EQ(integer(keys::kSettings, "Checkupdates"), 1);
    s.writeInteger(HKCU, keys::kSettings, "Checkupdates", 0);
    EXPECT_FALSE(UpdateCheckWanted(s));

    WriteInstallInfo(s, "1.2.3", "Z:\\opt\\q\\");
    EXPECT_EQ(s.readString(RootKey::LocalMachine, keys::kProgram, "RootDir"), "Z:\\opt\\q\\");
}

TEST_F(Settings, PortableRestoreSwapsTreesOnlyWhenBothSaySo) {
    auto& s = build();
    // Portable set but no backup tree: nothing is deleted.
    s.writeBool(HKCU, keys::kProgram, "Portable", true);
    s.writeString(HKCU, keys::kSettings, "Mine", "kept");
    EXPECT_FALSE(RestorePortableSettings(s, false));
    EXPECT_EQ(text(keys::kSettings, "Mine"), "kept");
    // A portable program never restores, whatever Portable says.
    s.writeString(HKCU, std::string(keys::kProgramBackup) + "\\Settings", "Mine", "restored");
    EXPECT_FALSE(RestorePortableSettings(s, true));
    EXPECT_EQ(text(keys::kSettings, "Mine"), "kept");
    // With a backup tree the program tree is replaced and the backup key is gone.
    EXPECT_TRUE(RestorePortableSettings(s, false));
    EXPECT_EQ(text(keys::kSettings, "Mine"), "restored");
    EXPECT_FALSE(s.valueExists(HKCU, keys::kProgram, "Portable"));
    EXPECT_FALSE(s.keyExists(HKCU, keys::kProgramBackup));
    // Portable false with a backup tree: nothing happens.
    s.writeString(HKCU, keys::kProgramBackup, "X", "1");
    s.writeBool(HKCU, keys::kProgram, "Portable", false);
    EXPECT_FALSE(RestorePortableSettings(s, false));
    EXPECT_TRUE(s.keyExists(HKCU, keys::kProgramBackup));
}

TEST_F(Settings, CloseToTrayShowsTheBalloonOncePerRun) {
    auto& s = build();
    const auto close = [&] {
        const CloseDecision d = DecideClose(s);
        return std::pair{d.toTray, d.showBalloon};
    };
    MarkFirstRun(s);
    EXPECT_EQ(close(), std::pair(false, false));  // by default closing ends the program
    EXPECT_EQ(integer(keys::kSettings, "FirstRun"), 2);
    s.writeBool(HKCU, keys::kSettings, "Minitotray", true);
    MarkFirstRun(s);  // a new run
    EXPECT_EQ(close(), std::pair(true, true));
    EXPECT_EQ(close(), std::pair(true, false));
    MarkFirstRun(s);  // after a restart it shows again, once
    EXPECT_EQ(close(), std::pair(true, true));
    s.writeBool(HKCU, keys::kSettings, "ShowBalloonMinitotray", false);
    MarkFirstRun(s);
    EXPECT_EQ(close(), std::pair(true, false));
}

TEST_F(Settings, PortableModeBackupLimitsAndModuleSwitches) {
    const std::string tail = "QuorvelSoft\\Quorvel Utilities\\Backups\\";
    const std::string normal = "C:\\users\\tester\\AppData\\Roaming\\" + tail;
    const std::string beside = "X:\\Tools\\data\\common\\Administrator\\" + tail;
    builder.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings", "BackupsMax",
                  RegValue::dword(5));
    const std::string modules =
        "HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings\\AvailableModules";
    builder.value(modules, "OneClick", RegValue::dword(0))
        .value(modules, "Registry", RegValue::dword(2));
    auto& s = build();
    const std::pair<const char*, std::string> cases[] = {
        {nullptr, normal},  // a folder named settings.ini
        {"[Portable]\r\nType=0\r\n", normal},
        {"[Other]\r\nType=1\r\n", normal},
        {"[Portable]\r\nType=1\r\n", beside},
        {"[Portable]\r\nType=1\r\nDataPath=E:\\Data\\\r\n", "E:\\Data\\" + tail},
        {"[Portable]\r\nType=1\r\nDataPath=\r\n", beside},
        {"\x01\x02[Portable\xff\r\nType\r\n=\r\n", normal},
    };
    for (const auto& [ini, backupsDir] : cases) {
        quorvel::testing::TempDir root;
        TGlobalVars g;
        g.ProgramDir = root.path() / "Tools" / "App";
        g.ProgramFolder = "X:\\Tools\\App\\";
        g.AppData = "C:\\users\\tester\\AppData\\Roaming\\";
        if (ini != nullptr) writeHostFile(g.ProgramDir / "settings.ini", ini);
        if (ini == nullptr) fs::create_directories(g.ProgramDir / "settings.ini");
        LoadSettingsPaths(machine->registry(), g);
        SCOPED_TRACE(ini ? ini : "(none)");
        EXPECT_EQ(g.IsPortable, backupsDir != normal);
        EXPECT_EQ(g.BackupsDir, backupsDir);
        // A stored limit is kept; a missing one gets its default, written back for the next start.
        EXPECT_EQ(g.BackupsMax, 5);
        EXPECT_EQ(g.BackupsDelete, 1);
        EXPECT_EQ(integer(keys::kSettings, "BackupsDelete"), 1);
    }
    EXPECT_FALSE(ModuleBackupEnabled(machine->registry(), "oneclick"));
    EXPECT_TRUE(ModuleBackupEnabled(machine->registry(), "Registry"));
    store->deleteTree(HKCU, keys::kAvailableModules);
    EXPECT_TRUE(ModuleBackupEnabled(machine->registry(), "OneClick"));
    EXPECT_FALSE(s.keyExists(HKCU, keys::kAvailableModules));  // and creates nothing
}

class LanguageAndSkin : public Settings {
protected:
    void SetUp() override {
        build();
        globals.ProgramDir = program.path();
        writeHostFile(program.path() / "languages" / "english.lng", "10617=No problems found\r\n");
        writeHostFile(program.path() / "languages" / "german.lng", "10617=Keine Probleme\r\n");
        writeHostFile(program.path() / "skins" / "Default" / "skin.ini", "[files]\r\n");
        writeHostFile(program.path() / "skins" / "Dark" / "skin.ini", "[files]\r\n");
    }
    void load(const char* languageFile, const std::string& skin) {
        if (languageFile) store->writeString(HKCU, keys::kProgram, "Language", languageFile);
        if (!skin.empty()) store->writeString(HKCU, keys::kProgram, "Skin", skin);
        LoadLanguageAndSkin(machine->registry(), globals, language);
    }
    std::string skin(const char* name) {
        return (program.path() / "skins" / name / "skin.ini").string();
    }

    quorvel::testing::TempDir program;
    TGlobalVars globals;
    LanguageTable language;
};

TEST_F(LanguageAndSkin, MissingOrInvalidChoicesGetTheDefaultsValidOnesAreKept) {
    const std::string defaultSkin = DefaultSkinFile(program.path());
    load(nullptr, "");
    EXPECT_EQ(text(keys::kProgram, "Language"), "english.lng");
    EXPECT_EQ(text(keys::kProgram, "Skin"), defaultSkin);
    EXPECT_EQ(language.LangText(10617), "No problems found");
    load("german.lng", skin("Dark"));
    EXPECT_EQ(globals.LanguageFileName, "german.lng");
    EXPECT_EQ(globals.SkinFile, skin("Dark"));
    EXPECT_EQ(language.LangText(10617), "Keine Probleme");
    for (const char* bad : {"", "french.lng", "..\\languages\\german.lng"}) {
        load(bad, skin("Gone"));
        EXPECT_EQ(globals.LanguageFileName, "english.lng") << bad;
        EXPECT_EQ(text(keys::kProgram, "Language"), "english.lng") << bad;
        EXPECT_EQ(text(keys::kProgram, "Skin"), defaultSkin) << bad;
        EXPECT_EQ(globals.SkinFile, defaultSkin);
    }
}

}  // namespace
}  // namespace quorvel::core
