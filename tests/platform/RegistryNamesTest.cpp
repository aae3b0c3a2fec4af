#include "platform/RegistryNames.h"

#include <gtest/gtest.h>

namespace quorvel::platform {
namespace {

// One parser for every place that reads a key path typed by a person or written in a file.
TEST(RegistryNames, KeyPathsParseWithEveryRootSpelling) {
    struct Row {
        const char* text;
        std::optional<RootKey> root;
        const char* path;
    };
    const Row rows[] = {
        {"HKLM\\Software\\Vendor\\", RootKey::LocalMachine, "Software\\Vendor"},
        {"hkey_current_user", RootKey::CurrentUser, ""},
        {"Hkcc\\System", RootKey::CurrentConfig, "System"},
        {"HKEY_PERFORMANCE_DATA\\x", RootKey::PerformanceData, "x"},
        {"HKEY_USERSX\\Software", std::nullopt, ""},  // a root's name must end at a backslash
        {"\\HKLM\\Software", std::nullopt, ""},
        {"", std::nullopt, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const auto parsed = parseRootedKeyPath(row.text);
        ASSERT_EQ(parsed.has_value(), row.root.has_value());
        if (!parsed) continue;
        EXPECT_EQ(parsed->root, *row.root);
        EXPECT_EQ(parsed->path, row.path);
    }
    // Every root has both names, and each name leads back to its root.
    for (const auto& names : rootKeyNames()) {
        EXPECT_EQ(parseRootKeyName(rootKeyLongName(names.root)), names.root);
        EXPECT_EQ(parseRootKeyName(rootKeyShortName(names.root)), names.root);
    }
}

}  // namespace
}  // namespace quorvel::platform
