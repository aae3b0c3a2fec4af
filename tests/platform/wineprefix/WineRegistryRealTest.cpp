#include <gtest/gtest.h>

#include <memory>

#include "platform/wineprefix/Hive.h"
#include "platform/wineprefix/WineRegistry.h"
#include "platform/wineprefix/WineServer.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "support/WineTools.h"

namespace quorvel::platform::wineprefix {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WineTools;

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\QuorvelTest";

// One real prefix per test run, made by wineboot and filled by `wine reg add`.
class RealPrefix : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!WineTools::available()) {
            skipReason_ = new std::string("wine is not installed");
            return;
        }
        dir_ = new TempDir();
        const auto prefix = dir_->path() / "prefix";
        if (auto error = WineTools::makePrefix(prefix)) {
            skipReason_ = new std::string("wineboot failed: " + *error);
            return;
        }
        const std::vector<std::vector<std::string>> adds = {
            {"/v", "Text", "/t", "REG_SZ", "/d",
             "Gr\xc3\xbc\xc3\x9f"
             "e \xe2\x98\x83 \"q\" \\ end"},
            {"/v", "Expand", "/t", "REG_EXPAND_SZ", "/d", "%SystemRoot%\\x"},
            {"/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "one\\0two\\0\xc3\xa9"},
            {"/v", "Dw", "/t", "REG_DWORD", "/d", "0x12345678"},
            {"/v", "Qw", "/t", "REG_QWORD", "/d", "0x1122334455667788"},
            {"/v", "Bin", "/t", "REG_BINARY", "/d", "deadbeef00"},
            {"/v", "LongBin", "/t", "REG_BINARY", "/d", std::string(200, 'a')},
            {"/v", "Nothing", "/t", "REG_NONE", "/d", ""},
            {"/ve", "/d", "default"},
        };
        for (const auto& add : adds) {
            std::vector<std::string> args{"reg", "add", kKey};
            args.insert(args.end(), add.begin(), add.end());
            args.push_back("/f");
            const auto out = WineTools::wine(prefix, args);
            if (out.exitCode != 0) {
                skipReason_ = new std::string("wine reg add failed: " + out.text);
                return;
            }
        }
        WineTools::wine(prefix,
                        {"reg", "export", kKey, (dir_->path() / "export.reg").string(), "/y"});
        WineTools::waitForServer(prefix);
    }

    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
        delete skipReason_;
        skipReason_ = nullptr;
    }

    void SetUp() override {
        if (skipReason_) GTEST_SKIP() << "Real Wine prefix tests skipped: " << *skipReason_;
    }

    static std::filesystem::path prefix() { return dir_->path() / "prefix"; }

    static TempDir* dir_;
    static std::string* skipReason_;
};

TempDir* RealPrefix::dir_ = nullptr;
std::string* RealPrefix::skipReason_ = nullptr;

TEST_F(RealPrefix, ReadsExactlyWhatWineExports) {
    const auto exported = WineTools::exportedValues(dir_->path() / "export.reg", kKey);
    ASSERT_TRUE(exported) << "wine reg export wrote nothing readable";
    ASSERT_EQ(exported->size(), 9u);

    auto registry = WineRegistry::open(prefix());
    ASSERT_TRUE(registry);
    EXPECT_TRUE((*registry)->problems().empty());
    auto key = (*registry)->openKey(RootKey::CurrentUser, "Software\\QuorvelTest");
    ASSERT_TRUE(key) << key.status().message();
    std::size_t seen = 0;
    for (const auto& [name, value] : (*key)->values()) {
        const auto it = exported->find(name);
        ASSERT_NE(it, exported->end()) << name;
        EXPECT_EQ(value.type, it->second.type) << name;
        EXPECT_EQ(value.data, it->second.data) << name;
        ++seen;
    }
    EXPECT_EQ(seen, exported->size());
    EXPECT_EQ((*key)->value("Text")->asString(),
              "Gr\xc3\xbc\xc3\x9f"
              "e \xe2\x98\x83 \"q\" \\ end");
    EXPECT_EQ((*key)->value("Multi")->asMultiString(),
              (std::vector<std::string>{"one", "two", "\xc3\xa9"}));
    EXPECT_EQ((*key)->value("Qw")->asQword(), 0x1122334455667788ull);
}

TEST_F(RealPrefix, HivesWineWroteComeBackByteForByte) {
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        const std::string original = ReadWholeFile(prefix() / name);
        ASSERT_FALSE(original.empty()) << name;
        Hive hive;
        hive.file = prefix() / name;
        hive.root = std::make_shared<HiveKey>();
        hive.relativeTo = hiveRelativeTo(original).value_or("");
        parseHive(hive, original, FileTime{});
        EXPECT_FALSE(hive.problem) << name << ": " << hive.problem->text;
        EXPECT_TRUE(writeHive(hive, HiveWriteMode::KeepText).text == original) << name;
        const std::string regenerated = writeHive(hive, HiveWriteMode::Regenerate).text;
        EXPECT_TRUE(regenerated == original) << name;
    }
}

TEST_F(RealPrefix, KnownWineKeysResolve) {
    auto registry = WineRegistry::open(prefix());
    ASSERT_TRUE(registry);
    auto& reg = **registry;
    // wineboot links the 32-bit view's AppId to the shared one.
    auto viaLink = reg.openKey(RootKey::LocalMachine, "Software\\Classes\\Wow6432Node\\AppId");
    auto direct = reg.openKey(RootKey::LocalMachine, "Software\\Classes\\AppId");
    ASSERT_TRUE(viaLink);
    ASSERT_TRUE(direct);
    EXPECT_EQ((*viaLink)->subKeyNames(), (*direct)->subKeyNames());
    // HKCR sees the machine's classes.
    auto txt = reg.openKey(RootKey::ClassesRoot, ".CHM");
    ASSERT_TRUE(txt);
    EXPECT_TRUE((*txt)->hasValue(""));
    // HKCU is the user's key under HKEY_USERS.
    auto users = reg.openKey(RootKey::Users, "");
    ASSERT_TRUE(users);
    EXPECT_EQ((*users)->subKeyNames().size(), 2u);
    auto viaUsers = reg.openKey(RootKey::Users, "S-1-5-21-0-0-0-1000\\Software\\QuorvelTest");
    EXPECT_TRUE(viaUsers);
}

TEST_F(RealPrefix, WineSeesWhatWeSave) {
    TempDir copy;
    const auto changed = copy.path() / "prefix";
    ASSERT_TRUE(WineTools::copyPrefix(prefix(), changed));
    {
        auto registry = WineRegistry::open(changed);
        ASSERT_TRUE(registry);
        auto key = (*registry)->createKey(RootKey::CurrentUser, "Software\\QuorvelTest\\Added");
        ASSERT_TRUE(key) << key.status().message();
        ASSERT_TRUE((*key)->setValue("Greeting", RegValue::string("h\xc3\xa9llo \"x\"")));
        ASSERT_TRUE((*key)->setValue("Count", RegValue::dword(7)));
        auto old = (*registry)->openKey(RootKey::CurrentUser, "Software\\QuorvelTest",
                                        RegAccess::ReadWrite);
        ASSERT_TRUE(old);
        ASSERT_TRUE((*old)->deleteValue("Bin"));
        const Status saved = (*registry)->flush();
        ASSERT_TRUE(saved) << saved.message();
    }
    const auto query = WineTools::wine(changed, {"reg", "query", std::string(kKey) + "\\Added"});
    WineTools::waitForServer(changed);
    EXPECT_NE(query.text.find("Greeting"), std::string::npos) << query.text;
    EXPECT_NE(query.text.find("0x7"), std::string::npos) << query.text;
    const auto gone = WineTools::wine(changed, {"reg", "query", kKey, "/v", "Bin"});
    WineTools::waitForServer(changed);
    EXPECT_NE(gone.exitCode, 0) << gone.text;
    // Other content is untouched and the hive is still one Wine reads without complaint.
    const auto text = WineTools::wine(changed, {"reg", "query", kKey, "/v", "Dw"});
    WineTools::waitForServer(changed);
    EXPECT_NE(text.text.find("0x12345678"), std::string::npos) << text.text;
}

TEST_F(RealPrefix, RefusesWritesWhileWineserverRuns) {
    TempDir copy;
    const auto running = copy.path() / "prefix";
    ASSERT_TRUE(WineTools::copyPrefix(prefix(), running));
    auto registry = WineRegistry::open(running);
    ASSERT_TRUE(registry);
    auto key =
        (*registry)->openKey(RootKey::CurrentUser, "Software\\QuorvelTest", RegAccess::ReadWrite);
    ASSERT_TRUE(key);
    ASSERT_TRUE((*key)->setValue("Before", RegValue::dword(1)));

    WineTools::run(running, {"wineserver", "-p"});  // persistent; returns once it runs
    struct Stop {
        std::filesystem::path prefix;
        ~Stop() { WineTools::killServer(prefix); }
    } stop{running};
    ASSERT_TRUE(WineServer::isRunning(running));

    const Status refused = (*key)->setValue("During", RegValue::dword(2));
    EXPECT_EQ(refused.code(), ErrorCode::SharingViolation);
    EXPECT_NE(refused.message().find(running.string()), std::string::npos) << refused.message();
    EXPECT_FALSE((*registry)->createKey(RootKey::CurrentUser, "Software\\X"));
    EXPECT_FALSE((*key)->deleteValue("Before"));
    EXPECT_FALSE((*key)->deleteTree(""));
    EXPECT_FALSE((*registry)->flush());
    // Reading goes on.
    EXPECT_EQ((*key)->value("Before")->asDword(), 1u);
    EXPECT_FALSE((*key)->hasValue("During"));
}

}  // namespace
}  // namespace quorvel::platform::wineprefix
