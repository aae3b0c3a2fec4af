#include <gtest/gtest.h>

#include <fstream>

#include "core/language/LoadLanguageAndSkin.h"
#include "core/settings/LoadSettingsPaths.h"
#include "core/settings/ModuleBackup.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "support/MachineBuilder.h"

namespace quorvel::core {
namespace {

using platform::RegValue;
using platform::RootKey;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;

void writeHostFile(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// A program folder "…\Tools\App\" with an optional settings.ini, and the record as start-up has
// it just before the settings step.
struct Program {
    TempDir root;
    std::filesystem::path dir = root.path() / "Tools" / "App";
    TGlobalVars globals;

    Program() {
        std::filesystem::create_directories(dir);
        globals.ProgramDir = dir;
        globals.ProgramFolder = "X:\\Tools\\App\\";
        globals.AppData = "C:\\users\\tester\\AppData\\Roaming\\";
    }
    void settingsIni(std::string_view text) { writeHostFile(dir / "settings.ini", text); }
};

constexpr std::string_view kTail = "QuorvelSoft\\Quorvel Utilities\\Backups\\";

TEST(LoadSettingsPaths, PortableModeCases) {
    MachineBuilder b;
    auto m = b.build();
    const std::string normal = "C:\\users\\tester\\AppData\\Roaming\\" + std::string(kTail);
    struct Case {
        const char* ini;  // nullptr: a folder named settings.ini
        bool portable;
        std::string backupsDir;
    };
    const Case cases[] = {
        {nullptr, false, normal},
        {"[Portable]\r\nType=0\r\n", false, normal},
        {"[Other]\r\nType=1\r\n", false, normal},
        {"[Portable]\r\nType=1\r\n", true,
         "X:\\Tools\\data\\common\\Administrator\\" + std::string(kTail)},
        {"[Portable]\r\nType=1\r\nDataPath=E:\\Data\\\r\n", true,
         "E:\\Data\\" + std::string(kTail)},
        {"[Portable]\r\nType=1\r\nDataPath=\r\n", true,
         "X:\\Tools\\data\\common\\Administrator\\" + std::string(kTail)},
        {"\x01\x02[Portable\xff\r\nType\r\n=\r\n", false, normal},
    };
    for (const auto& c : cases) {
        Program p;
        if (c.ini != nullptr) p.settingsIni(c.ini);
        if (c.ini == nullptr) std::filesystem::create_directories(p.dir / "settings.ini");
        LoadSettingsPaths(m->registry(), p.globals);
        EXPECT_EQ(p.globals.IsPortable, c.portable) << (c.ini ? c.ini : "(none)");
        EXPECT_EQ(p.globals.BackupsDir, c.backupsDir) << (c.ini ? c.ini : "(none)");
    }
}

TEST(LoadSettingsPaths, BackupLimitsKeptOrDefaulted) {
    MachineBuilder b;
    b.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings", "BackupsMax",
            RegValue::dword(5));
    auto m = b.build();
    Program p;
    LoadSettingsPaths(m->registry(), p.globals);
    EXPECT_EQ(p.globals.BackupsMax, 5);
    // A missing limit gets its default, written back for the next start.
    EXPECT_EQ(p.globals.BackupsDelete, 1);
    EXPECT_EQ(SettingsStore(m->registry())
                  .readInteger(RootKey::CurrentUser, keys::kSettings, "BackupsDelete"),
              1);
}

TEST(ModuleBackupEnabled, DefaultsToOnAndCreatesNothing) {
    MachineBuilder b;
    auto m = b.build();
    SettingsStore store(m->registry());
    EXPECT_TRUE(ModuleBackupEnabled(m->registry(), "OneClick"));
    EXPECT_FALSE(store.keyExists(RootKey::CurrentUser, keys::kAvailableModules));

    MachineBuilder b2;
    b2.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings\\AvailableModules",
             "OneClick", RegValue::dword(0));
    b2.value("HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\Settings\\AvailableModules",
             "Registry", RegValue::dword(2));
    auto m2 = b2.build();
    EXPECT_FALSE(ModuleBackupEnabled(m2->registry(), "oneclick"));
    EXPECT_TRUE(ModuleBackupEnabled(m2->registry(), "Registry"));
}

class LanguageAndSkin : public ::testing::Test {
protected:
    void SetUp() override {
        globals.ProgramDir = program.path();
        writeHostFile(program.path() / "languages" / "english.lng", "10617=No problems found\r\n");
        writeHostFile(program.path() / "languages" / "german.lng", "10617=Keine Probleme\r\n");
        writeHostFile(program.path() / "skins" / "Default" / "skin.ini", "[files]\r\n");
        writeHostFile(program.path() / "skins" / "Dark" / "skin.ini", "[files]\r\n");
    }
    std::optional<std::string> stored(std::string_view name) {
        return SettingsStore(machine->registry())
            .readString(RootKey::CurrentUser, keys::kProgram, name);
    }
    void set(std::string_view name, std::string_view value) {
        SettingsStore(machine->registry())
            .writeString(RootKey::CurrentUser, keys::kProgram, name, value);
    }

    TempDir program;
    MachineBuilder builder;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine = builder.build();
    TGlobalVars globals;
    LanguageTable language;
};

TEST_F(LanguageAndSkin, MissingValuesGetTheDefaultsValidOnesAreKept) {
    LoadLanguageAndSkin(machine->registry(), globals, language);
    EXPECT_EQ(globals.LanguageFileName, "english.lng");
    EXPECT_EQ(stored("Language"), "english.lng");
    EXPECT_EQ(stored("Skin"), DefaultSkinFile(program.path()));
    EXPECT_EQ(language.LangText(10617), "No problems found");

    // Valid choices are kept.
    const std::string dark = (program.path() / "skins" / "Dark" / "skin.ini").string();
    set("Language", "german.lng");
    set("Skin", dark);
    LoadLanguageAndSkin(machine->registry(), globals, language);
    EXPECT_EQ(globals.LanguageFileName, "german.lng");
    EXPECT_EQ(globals.SkinFile, dark);
    EXPECT_EQ(language.LangText(10617), "Keine Probleme");
}

TEST_F(LanguageAndSkin, InvalidChoicesAreRewritten) {
    for (const char* bad : {"", "french.lng", "..\\languages\\german.lng"}) {
        set("Language", bad);
        set("Skin", (program.path() / "skins" / "Gone" / "skin.ini").string());
        LoadLanguageAndSkin(machine->registry(), globals, language);
        EXPECT_EQ(globals.LanguageFileName, "english.lng") << bad;
        EXPECT_EQ(stored("Language"), "english.lng") << bad;
        EXPECT_EQ(stored("Skin"), DefaultSkinFile(program.path())) << bad;
        EXPECT_EQ(globals.SkinFile, DefaultSkinFile(program.path()));
    }
}

}  // namespace
}  // namespace quorvel::core
