// Our export files against Wine's own regedit and reg.exe on a real prefix (skipped when Wine
// is not installed): Wine must import what we write, and we must read what Wine exports, with
// every value's type and bytes unchanged both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "backup/RegFileParser.h"
#include "backup/RegFileWriter.h"
#include "backup/SampleValues.h"
#include "platform/text/CaseInsensitive.h"
#include "platform/wineprefix/WineRegistry.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace quorvel::backup::regfile {
namespace {

using platform::NamedRegValue;
using platform::RegValue;
using testing::WineTools;

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\QuorvelBackupTest";

struct KeyContents {
    std::string path;  // below kKey, "" for kKey itself
    std::vector<NamedRegValue> values;
};

std::vector<KeyContents> sampleTree() {
    return {{"", testvalues::awkwardValues()},
            {"Sub [x] ü", {{"v", RegValue::dword(1)}}},
            {"Sub [x] ü\\Empty", {}}};
}

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The key's path below its root.
std::string key(const KeyContents& k) {
    const std::string below = std::string(kKey).substr(std::string("HKEY_CURRENT_USER\\").size());
    return k.path.empty() ? below : below + "\\" + k.path;
}

class RegFileWine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!WineTools::available()) {
            skip_ = "wine is not installed";
            return;
        }
        dir_ = std::make_unique<testing::TempDir>();
        if (auto error = WineTools::makePrefix(prefix())) skip_ = "wineboot failed: " + *error;
    }
    static void TearDownTestSuite() {
        if (dir_) WineTools::killServer(prefix());
        dir_.reset();
    }
    void SetUp() override {
        if (!skip_.empty()) GTEST_SKIP() << skip_;
    }

    static std::filesystem::path prefix() { return dir_->path() / "prefix"; }

    // `wine reg export` of kKey, parsed by us.
    static platform::Result<ParsedFile> exportedByWine() {
        const auto file = dir_->path() / "wine-export.reg";
        const auto out = WineTools::wine(prefix(), {"reg", "export", kKey, file.string(), "/y"});
        EXPECT_EQ(out.exitCode, 0) << out.text;
        return parseFile(readAll(file));
    }

    static std::unique_ptr<testing::TempDir> dir_;
    static std::string skip_;
};

std::unique_ptr<testing::TempDir> RegFileWine::dir_;
std::string RegFileWine::skip_;

// Where Wine's own tools change a value (our import keeps all of them, see TIORegistryTest):
// Wine's regedit adds a terminator to string data given in hex; its reg export also writes every
// REG_SZ in quotes (cut at the first NUL, terminator added) and every REG_DWORD as dword:.
bool wineRegeditKeeps(const NamedRegValue& v) {
    return v.name != "sz no terminator" && v.name != "sz odd length";
}
bool wineExportKeeps(const NamedRegValue& v) {
    return wineRegeditKeeps(v) && v.name != "sz inner nul" && v.name != "sz no data" &&
           v.name != "dword short";
}

TEST_F(RegFileWine, WineImportsOurFileExactlyAndWeReadWineExports) {
    std::vector<std::string> lines;
    for (const auto& k : sampleTree()) {
        lines.push_back("[HKEY_CURRENT_USER\\" + key(k) + "]");
        for (const auto& v : k.values) {
            for (auto& l : valueLines(v.name, v.value))
                lines.push_back(l);
        }
        lines.emplace_back();
    }
    const auto ours = dir_->path() / "ours.reg";
    std::ofstream(ours, std::ios::binary) << encodeFile(lines);

    const auto imported = WineTools::wine(prefix(), {"regedit", "/S", ours.string()});
    ASSERT_EQ(imported.exitCode, 0) << imported.text;
    auto parsed = exportedByWine();
    WineTools::waitForServer(prefix());

    // What Wine stored in its hive is exactly what we wrote.
    auto registry = platform::wineprefix::WineRegistry::open(prefix());
    ASSERT_TRUE(registry) << registry.status().message();
    for (const auto& k : sampleTree()) {
        auto stored = (*registry)->openKey(platform::RootKey::CurrentUser, key(k));
        ASSERT_TRUE(stored) << k.path;
        EXPECT_EQ((*stored)->values().size(), k.values.size()) << k.path;
        for (const auto& want : k.values) {
            if (!wineRegeditKeeps(want)) continue;
            EXPECT_EQ((*stored)->value(want.name), want.value) << want.name;
        }
    }

    // And what Wine exports, we read back with the same keys, types and bytes.
    ASSERT_TRUE(parsed) << parsed.status().message();
    const auto expected = sampleTree();
    ASSERT_EQ(parsed->keys.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const auto& got = parsed->keys[k];
        EXPECT_TRUE(platform::text::iequals(got.path, key(expected[k]))) << got.path;
        ASSERT_EQ(got.values.size(), expected[k].values.size()) << got.path;
        for (const auto& want : expected[k].values) {
            if (!wineExportKeeps(want)) continue;
            const auto it = std::find_if(got.values.begin(), got.values.end(),
                                         [&](const ParsedValue& v) { return v.name == want.name; });
            ASSERT_NE(it, got.values.end()) << want.name;
            EXPECT_EQ(it->value, want.value) << want.name;
        }
    }
}

}  // namespace
}  // namespace quorvel::backup::regfile
