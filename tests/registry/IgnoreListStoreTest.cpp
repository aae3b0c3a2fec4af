#include <fstream>

#include "ScanFixture.h"
#include "registry/IgnoreLists.h"
#include "support/TempDir.h"

namespace quorvel::registry::checktests {
namespace {

const std::string kKey = std::string("HKCU") + std::string(kIgnoreListKey);

using IgnoreListStore = ScanFixture;

TEST_F(IgnoreListStore, ReadsEntriesWhoseDataIsTrueInRegistryOrder) {
    builder.value(kKey, "HKEY_LOCAL_MACHINE\\A\\", RegValue::dword(1));
    builder.value(kKey, "HKEY_LOCAL_MACHINE\\B\\", RegValue::dword(0));
    builder.value(kKey, ";HKEY_LOCAL_MACHINE\\C\\", RegValue::dword(1));
    builder.value(kKey, "HKEY_LOCAL_MACHINE\\D\\", RegValue::string("1"));
    builder.value(kKey, "HKEY_LOCAL_MACHINE\\E\\", RegValue::dword(7));
    auto& ctx = context();
    EXPECT_EQ(ReadUserIgnoreList(ctx.machine.registry()),
              (std::vector<std::string>{";HKEY_LOCAL_MACHINE\\C\\", "HKEY_LOCAL_MACHINE\\A\\",
                                        "HKEY_LOCAL_MACHINE\\E\\"}));

    // A missing key is created empty.
    builder.removeKey(kKey);
    auto& fresh = context();
    EXPECT_TRUE(ReadUserIgnoreList(fresh.machine.registry()).empty());
    EXPECT_TRUE(fresh.machine.registry().openKey(RootKey::CurrentUser, kIgnoreListKey));
}

TEST_F(IgnoreListStore, AddingSwitchesAnEntryBackOnInPlace) {
    builder.value(kKey, ";HKEY_LOCAL_MACHINE\\Off\\", RegValue::dword(1));
    auto& ctx = context();
    auto& reg = ctx.machine.registry();
    TGlobalReg lists;
    lists.UserIgnoreList = {"First", ";HKEY_LOCAL_MACHINE\\Off\\", "Last"};

    ASSERT_TRUE(AddToIgnoreList(reg, lists, "hkey_local_machine\\off\\"));
    EXPECT_EQ(lists.UserIgnoreList,
              (std::vector<std::string>{"First", "hkey_local_machine\\off\\", "Last"}));
    EXPECT_TRUE(IsIgnored(lists, RootKey::LocalMachine, "\\Off", "v", ""));
    // The registry holds the active entry and no longer its switched-off twin.
    EXPECT_EQ(ReadUserIgnoreList(reg), (std::vector<std::string>{"hkey_local_machine\\off\\"}));

    ASSERT_TRUE(AddToIgnoreList(reg, lists, "New"));
    EXPECT_EQ(lists.UserIgnoreList.back(), "New");
    EXPECT_EQ((*reg.openKey(RootKey::CurrentUser, kIgnoreListKey))->value("New"),
              RegValue::dword(1));
    // Adding an active entry again adds no second one.
    ASSERT_TRUE(AddToIgnoreList(reg, lists, "NEW"));
    EXPECT_EQ(lists.UserIgnoreList.size(), 4u);
}

TEST_F(IgnoreListStore, LoadsTheShippedExclusionsAndTheUserList) {
    builder.value(kKey, "HKEY_CURRENT_USER\\Software\\Mine\\", RegValue::dword(1));
    auto& ctx = context();
    TGlobalReg lists;
    lists.BuiltInExclusions = {"stale"};
    LoadIgnoreLists(ctx, lists);

    EXPECT_EQ(lists.UserIgnoreList,
              (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Mine\\"}));
    ASSERT_FALSE(lists.BuiltInExclusions.empty()) << "data/registry.dat beside the tests";
    for (const auto& entry : lists.BuiltInExclusions) {
        EXPECT_FALSE(entry.starts_with(";")) << entry;
        EXPECT_EQ(entry.find("//"), std::string::npos) << entry;
    }
    // The class of all files is kept out, what registers below it is not.
    EXPECT_TRUE(IsIgnored(lists, RootKey::ClassesRoot, "\\*", "", ""));
    EXPECT_FALSE(
        IsIgnored(lists, RootKey::ClassesRoot, "\\*\\shellex\\ContextMenuHandlers\\Gone", "", ""));
}

TEST_F(IgnoreListStore, DamagedOrMissingDataFileLeavesTheBuiltInListEmpty) {
    auto& ctx = context();
    testing::TempDir program;
    ctx.globals.ProgramDir = program.path();
    TGlobalReg lists;
    LoadIgnoreLists(ctx, lists);
    EXPECT_TRUE(lists.BuiltInExclusions.empty());

    std::filesystem::create_directories(program.path() / "data");
    std::ofstream(program.path() / "data" / "registry.dat", std::ios::binary)
        << "Q\x01not a zlib stream";
    LoadIgnoreLists(ctx, lists);
    EXPECT_TRUE(lists.BuiltInExclusions.empty());
}

TEST(IgnoreLists, ExclusionLineRules) {
    const auto entries = ParseExclusionLines({
        "  HKEY_LOCAL_MACHINE\\Software\\Keep   // shipped with Windows  ",
        "; a comment line",
        "",
        "   \t ",
        "// remark only",
        "\tHKEY_CLASSES_ROOT\\CLSID\\{X}\t",
        "a // b // c",
    });
    EXPECT_EQ(entries, (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Keep", "",
                                                 "HKEY_CLASSES_ROOT\\CLSID\\{X}", "a"}));
}

TEST(IgnoreLists, SubstringAndCaseRules) {
    TGlobalReg lists;
    lists.BuiltInExclusions = {"", "hkey_local_machine\\software\\keep"};
    lists.UserIgnoreList = {"HKEY_CURRENT_USER\\Software\\Mine\\Value", ";HKEY_CURRENT_USER\\Off"};

    // Everything below a listed key, whatever the letter case.
    EXPECT_TRUE(IsIgnored(lists, RootKey::LocalMachine, "\\SOFTWARE\\Keep\\Deep", "v", "d"));
    EXPECT_TRUE(IsIgnored(lists, RootKey::LocalMachine, "\\Software\\Keeper", "", ""));
    EXPECT_FALSE(IsIgnored(lists, RootKey::CurrentUser, "\\Software\\Keep", "", ""));

    // A user entry covers the value; the empty built-in entry matches nothing.
    EXPECT_TRUE(IsIgnored(lists, RootKey::CurrentUser, "\\software\\mine", "VALUE", "C:\\x"));
    EXPECT_FALSE(IsIgnored(lists, RootKey::CurrentUser, "\\software\\mine", "Other", "C:\\x"));

    // A switched-off entry never matches.
    EXPECT_FALSE(IsIgnored(lists, RootKey::CurrentUser, "\\Off", "", ""));

    // The data takes part in the target too.
    lists.UserIgnoreList = {"c:\\keepme.exe"};
    EXPECT_TRUE(IsIgnored(lists, RootKey::LocalMachine, "\\Run", "x", "C:\\KeepMe.exe /s"));
}

TEST(IgnoreLists, EntryForFindingEndsWithValueName) {
    EXPECT_EQ(IgnoreEntryFor(RootKey::LocalMachine, "\\SOFTWARE\\X", "Val"),
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Val");
    EXPECT_EQ(IgnoreEntryFor(RootKey::ClassesRoot, "\\CLSID\\{A}", ""),
              "HKEY_CLASSES_ROOT\\CLSID\\{A}\\");
}

}  // namespace
}  // namespace quorvel::registry::checktests
