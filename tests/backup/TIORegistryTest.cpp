#include "backup/TIORegistry.h"

#include <gtest/gtest.h>

#include "backup/SampleValues.h"
#include "support/MachineBuilder.h"

namespace quorvel::backup {
namespace {

using platform::RegValue;
using platform::RootKey;

// Everything below a key as text: one line per key and per value (type and bytes), in
// registry order, so two trees compare with one EXPECT_EQ.
std::string dump(platform::Machine& machine, RootKey root, const std::string& path) {
    auto key = machine.registry().openKey(root, path);
    if (!key) return "";
    std::string out = "[" + path + "]\n";
    for (const auto& v : (*key)->values()) {
        out += "  \"" + v.name + "\" type " + std::to_string(v.value.type) + ":";
        for (const auto b : v.value.data)
            out += " " + std::to_string(b);
        out += "\n";
    }
    for (const auto& name : (*key)->subKeyNames())
        out += dump(machine, root, path + "\\" + name);
    return out;
}

void removeTree(platform::Machine& machine, RootKey root, const std::string& path) {
    auto rootKey = machine.registry().openKey(root, "", platform::RegAccess::ReadWrite);
    ASSERT_TRUE(rootKey);
    ASSERT_TRUE((*rootKey)->deleteTree(path));
    ASSERT_FALSE(machine.registry().openKey(root, path));
}

class TIORegistryTest : public ::testing::Test {
protected:
    TIORegistryTest() {
        for (const auto& v : testvalues::awkwardValues())
            builder.value("HKCU\\Software\\QT", v.name, v.value);
        builder.value("HKCU\\Software\\QT\\Sub one", "x", RegValue::dword(1));
        builder.value("HKCU\\Software\\QT\\Sub one\\Deeper [x] ü", "", RegValue::string("d"));
        builder.key("HKCU\\Software\\QT\\Sub one\\Empty");
        builder.value("HKCU\\Software\\QT\\Sub two", "y", RegValue::qword(2));
        builder.value("HKLM\\Software\\Other", "keep", RegValue::string("k"));
        machine = builder.build();
        builder.folder("C:\\backups");
    }

    platform::Machine& m() { return *machine; }

    testing::MachineBuilder builder;
    std::unique_ptr<platform::Machine> machine;
};

TEST_F(TIORegistryTest, WholeKeyWithSubkeysComesBackExactly) {
    const std::string before = dump(m(), RootKey::CurrentUser, "Software\\QT");
    ASSERT_NE(before.find("Deeper [x] ü"), std::string::npos);

    TIORegistry io(m());
    EXPECT_TRUE(io.ExportRegistry("HKEY_CURRENT_USER", "\\Software\\QT"));
    EXPECT_GT(io.exportLineCount(), testvalues::awkwardValues().size());
    ASSERT_TRUE(io.save("C:\\backups\\44123.5"));

    removeTree(m(), RootKey::CurrentUser, "Software\\QT");
    TIORegistry restorer(m());
    const auto s = restorer.ImportRegistry("C:\\backups\\44123.5");
    ASSERT_TRUE(s) << s.message();
    EXPECT_EQ(dump(m(), RootKey::CurrentUser, "Software\\QT"), before);

    // The import reached the hive files, not only the open registry.
    auto reopened = platform::wineprefix::WinePrefixMachine::open(builder.prefix());
    ASSERT_TRUE(reopened) << reopened.status().message();
    EXPECT_EQ(dump(**reopened, RootKey::CurrentUser, "Software\\QT"), before);
}

TEST_F(TIORegistryTest, MissingItemsAddNothingAndAnEmptyExportImportsNothing) {
    TIORegistry io(m());
    EXPECT_FALSE(io.ExportRegistry("HKEY_CURRENT_USER", "\\Software\\Nope"));
    EXPECT_FALSE(io.ExportRegistry("HKEY_CURRENT_USER", "\\Software\\QT", "no such value"));
    EXPECT_FALSE(io.ExportRegistry("HKEY_NOWHERE", "\\Software\\QT"));
    EXPECT_EQ(io.exportLineCount(), 0u);

    // Nothing exported: a header-only file that changes nothing when imported.
    ASSERT_TRUE(io.save("C:\\backups\\empty"));
    const std::string before = dump(m(), RootKey::CurrentUser, "");
    ASSERT_TRUE(io.ImportRegistry("C:\\backups\\empty"));
    EXPECT_EQ(dump(m(), RootKey::CurrentUser, ""), before);

    EXPECT_TRUE(io.ExportRegistry("HKEY_CURRENT_USER", "\\Software\\QT", "plain"));
    EXPECT_EQ(io.exportLineCount(), 3u);  // key line, value line, blank line
}

TEST_F(TIORegistryTest, DamagedFilesChangeNothing) {
    TIORegistry io(m());
    ASSERT_TRUE(io.ExportRegistry("HKEY_LOCAL_MACHINE", "\\Software\\Other"));
    ASSERT_TRUE(io.ExportRegistry("HKEY_CURRENT_USER", "\\Software\\QT"));
    const std::string good = io.fileBytes();
    removeTree(m(), RootKey::LocalMachine, "Software\\Other");
    removeTree(m(), RootKey::CurrentUser, "Software\\QT");

    // Cut short anywhere inside the second key, or bytes damaged there: the first key, which
    // is intact, must not be written either.
    const std::size_t secondKey = good.find(std::string("[\0H\0K\0E\0Y\0_\0C\0", 14));
    ASSERT_NE(secondKey, std::string::npos);
    const std::size_t continued = good.find(std::string("\\\0\r\0\n\0", 6), secondKey);
    ASSERT_NE(continued, std::string::npos);
    std::vector<std::string> damaged{
        good.substr(0, good.size() - 1),  // odd byte count
        good.substr(0, continued + 6),    // ends inside a continued hex list
        good.substr(2),                   // no byte-order mark
    };
    std::string badHex = good;
    const std::size_t hex = badHex.find(std::string("h\0e\0x\0:\0", 8), secondKey);
    ASSERT_NE(hex, std::string::npos);
    badHex[hex + 8] = 'z';
    damaged.push_back(badHex);

    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const auto s = io.importBytes(damaged[i]);
        EXPECT_FALSE(s) << "case " << i;
        EXPECT_FALSE(m().registry().openKey(RootKey::LocalMachine, "Software\\Other")) << i;
        EXPECT_FALSE(m().registry().openKey(RootKey::CurrentUser, "Software\\QT")) << i;
    }
    EXPECT_FALSE(io.ImportRegistry("C:\\backups\\does not exist"));
    ASSERT_TRUE(io.importBytes(good));
    EXPECT_TRUE(m().registry().openKey(RootKey::LocalMachine, "Software\\Other"));
}

TEST_F(TIORegistryTest, ImportAppliesDeletionLines) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[-HKEY_CURRENT_USER\\Software\\QT\\Sub one]\r\n\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Not there]\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\QT]\r\n\"plain\"=-\r\n\"never existed\"=-\r\n"
        "\"added\"=\"new\"\r\n";
    const std::string bytes = testvalues::utf16File(text);
    TIORegistry io(m());
    const auto s = io.importBytes(bytes);
    ASSERT_TRUE(s) << s.message();
    auto key = m().registry().openKey(RootKey::CurrentUser, "Software\\QT");
    ASSERT_TRUE(key);
    EXPECT_FALSE((*key)->openSubKey("Sub one"));
    EXPECT_TRUE((*key)->openSubKey("Sub two"));
    EXPECT_FALSE((*key)->hasValue("plain"));
    EXPECT_EQ((*key)->value("added"), RegValue::string("new"));
}

}  // namespace
}  // namespace quorvel::backup
