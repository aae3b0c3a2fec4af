#include <gtest/gtest.h>

#include "registry/IgnoreLists.h"

namespace {

using namespace quorvel::registry;
using quorvel::platform::RootKey;

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
