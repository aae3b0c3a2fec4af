#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "platform/wineprefix/WineRegistry.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace quorvel::platform::wineprefix {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;

const std::string kSystemHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";

// A key as wineserver writes it; the path is given with single backslashes.
std::string block(std::string path, const std::string& body = "") {
    for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 2))
        path.insert(at, 1, '\\');
    return "\n[" + path + "] 1700000000\n#time=1da1a2b3c4d5e6f\n" + body;
}

// A symbolic link key pointing at `target`.
std::string link(const std::string& path, std::u16string_view target) {
    std::string hex = "#link\n\"SymbolicLinkValue\"=hex(6):";
    char buf[8];
    for (std::size_t i = 0; i < target.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s%02x,%02x", i ? "," : "", target[i] & 0xFF,
                      target[i] >> 8);
        hex += buf;
    }
    return block(path, hex + "\n");
}

const std::string kSystem =
    kSystemHeader + block("Software\\Classes\\.txt", "@=\"txtfile\"\n\"Machine\"=\"m\"\n") +
    block("Software\\Classes\\machineonly") +
    link("Software\\Loop\\Self", u"\\Registry\\Machine\\Software\\Loop") +
    link("Software\\Loop\\Nowhere", u"\\Registry\\Machine\\Software\\Missing") +
    link("Software\\Mutual\\A\\ToB", u"\\Registry\\Machine\\Software\\Mutual\\B") +
    link("Software\\Mutual\\B\\ToA", u"\\Registry\\Machine\\Software\\Mutual\\A") +
    block("Software\\Vendor\\App", "\"Name\"=\"App\"\n") +
    block("System\\ControlSet001\\Hardware Profiles\\Current\\Software",
          "\"Profile\"=dword:00000001\n") +
    link("System\\CurrentControlSet", u"\\Registry\\Machine\\System\\ControlSet001");

const std::string kUser =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-7-7-7-1001\n"
    "\n#arch=win64\n" +
    block("Software\\Classes\\.txt", "\"User\"=\"u\"\n@=\"usertxt\"\n") +
    block("Software\\Classes\\useronly\\shell") +
    block("Software\\Quorvel", "\"Lang\"=\"english.lng\"\n");

void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// `count` keys Software\Many\K<n> of `values` dwords v<i> = n * 100 + i each.
std::string manyKeys(int count, int values) {
    std::string text = kSystemHeader;
    char line[40];
    for (int n = 0; n < count; ++n) {
        text += "\n[Software\\\\Many\\\\K" + std::to_string(n) + "] 1700000000\n";
        for (int i = 0; i < values; ++i) {
            std::snprintf(line, sizeof line, "\"v%d\"=dword:%08x\n", i, n * 100 + i);
            text += line;
        }
    }
    return text;
}

class WineRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir_.path() / "system.reg", kSystem);
        writeFile(dir_.path() / "user.reg", kUser);
    }
    std::unique_ptr<WineRegistry> open(const std::filesystem::path& dir) {
        auto r = WineRegistry::open(dir);
        EXPECT_TRUE(r) << r.status().message();
        return std::move(r).value();
    }
    std::unique_ptr<WineRegistry> open() { return open(dir_.path()); }
    RegistryKeyPtr key(Registry& r, RootKey root, std::string_view path,
                       RegAccess access = RegAccess::Read) {
        auto k = r.openKey(root, path, access);
        EXPECT_TRUE(k) << path << ": " << k.status().message();
        return k ? std::move(k).value() : nullptr;
    }
    RegistryKeyPtr writable(Registry& r, RootKey root, std::string_view path) {
        return key(r, root, path, RegAccess::ReadWrite);
    }
    std::string text(Registry& r, RootKey root, std::string_view path, std::string_view name) {
        auto k = key(r, root, path);
        return k ? k->value(name)->asString().value_or("<not a string>") : "<no key>";
    }
    std::string saved(const char* hive) { return ReadWholeFile(dir_.path() / hive); }
    TempDir dir_;
};

TEST_F(WineRegistryTest, OpenFailsOnlyForAMissingPrefix) {
    EXPECT_EQ(WineRegistry::open(dir_.path() / "missing").status().code(), ErrorCode::PathNotFound);
    TempDir empty;
    auto r = open(empty.path());
    EXPECT_TRUE(r->problems().empty());
    EXPECT_FALSE(r->openKey(RootKey::LocalMachine, "Software"));
    // Saving with no change writes nothing; a change creates the hive.
    EXPECT_TRUE(r->flush());
    EXPECT_FALSE(std::filesystem::exists(empty.path() / "system.reg"));
    auto k = r->createKey(RootKey::CurrentUser, "Software\\New");
    ASSERT_TRUE(k && (*k)->setValue("v", RegValue::string("x")));
    ASSERT_TRUE(r->flush());
    EXPECT_FALSE(std::filesystem::exists(empty.path() / "system.reg"));
    const std::string user = ReadWholeFile(empty.path() / "user.reg");
    EXPECT_EQ(
        user.rfind("WINE REGISTRY Version 2\n;; All keys relative to "
                   "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n[Software\\\\New] ",
                   0),
        0u)
        << user;
    EXPECT_EQ(text(*open(empty.path()), RootKey::CurrentUser, "software\\NEW", "V"), "x");
}

TEST_F(WineRegistryTest, NamesIgnoreCaseAndKeepIt) {
    auto r = open();
    EXPECT_EQ(text(*r, RootKey::LocalMachine, "SOFTWARE\\vendor\\aPP", "name"), "App");
    EXPECT_EQ(key(*r, RootKey::LocalMachine, "\\Software")->subKeyNames(),
              (std::vector<std::string>{"Classes", "Loop", "Mutual", "Vendor"}));
    // Setting a value under another case replaces it and keeps the first spelling.
    auto w = writable(*r, RootKey::LocalMachine, "Software\\Vendor\\App");
    ASSERT_TRUE(w->setValue("NAME", RegValue::string("Other")));
    ASSERT_EQ(w->values().size(), 1u);
    EXPECT_EQ(w->values()[0].name, "Name");
    ASSERT_TRUE(r->createKey(RootKey::LocalMachine, "software\\VENDOR\\app"));
    EXPECT_EQ(key(*r, RootKey::LocalMachine, "Software\\Vendor")->subKeyNames(),
              std::vector<std::string>{"App"});
}

TEST_F(WineRegistryTest, NewKeysAndValuesTakeWinesSortedPlace) {
    auto r = open();
    auto k = r->createKey(RootKey::LocalMachine, "Software\\Vendor\\App");
    ASSERT_TRUE(k);
    for (const char* name : {"b", "_u", "A", "c"})
        ASSERT_TRUE((*k)->createSubKey(name));
    for (const char* name : {"z", "_x", "M"})
        ASSERT_TRUE((*k)->setValue(name, RegValue::dword(1)));
    // Wine compares lower-cased names, so "_" (0x5f) sorts before letters.
    EXPECT_EQ((*k)->subKeyNames(), (std::vector<std::string>{"_u", "A", "b", "c"}));
    std::vector<std::string> names;
    for (const auto& v : (*k)->values())
        names.push_back(v.name);
    EXPECT_EQ(names, (std::vector<std::string>{"_x", "M", "Name", "z"}));
}

TEST_F(WineRegistryTest, CurrentUserComesFromTheHeaderSid) {
    auto r = open();
    EXPECT_EQ(text(*r, RootKey::CurrentUser, "Software\\Quorvel", "Lang"), "english.lng");
    EXPECT_TRUE(key(*r, RootKey::Users, "S-1-5-21-7-7-7-1001\\Software\\Quorvel"));
    EXPECT_EQ(key(*r, RootKey::Users, "")->subKeyNames(),
              (std::vector<std::string>{".Default", "S-1-5-21-7-7-7-1001"}));
    // HKEY_USERS itself is not stored anywhere.
    EXPECT_EQ(r->createKey(RootKey::Users, "S-1-5-21-9").status().code(), ErrorCode::AccessDenied);
}

TEST_F(WineRegistryTest, LinksResolveAndNeverLoop) {
    auto r = open();
    EXPECT_EQ(key(*r, RootKey::CurrentConfig, "Software")->value("Profile")->asDword(), 1u);
    EXPECT_TRUE(key(*r, RootKey::LocalMachine, "System\\CurrentControlSet\\Hardware Profiles"));
    EXPECT_FALSE(r->openKey(RootKey::LocalMachine, "Software\\Loop\\Self"));
    EXPECT_FALSE(r->openKey(RootKey::LocalMachine, "Software\\Loop\\Nowhere"));
    // Creating through a dead link neither follows it nor makes a second key of that name.
    EXPECT_FALSE(r->createKey(RootKey::LocalMachine, "Software\\Loop\\nowhere\\x"));
    EXPECT_EQ(key(*r, RootKey::LocalMachine, "Software\\Loop")->subKeyNames().size(), 2u);

    // A full recursive walk of the machine ends, however the links point.
    std::size_t visited = 0;
    std::function<void(const RegistryKey&, int)> walk = [&](const RegistryKey& k, int depth) {
        ASSERT_LT(depth, 64);
        ++visited;
        for (const auto& name : k.subKeyNames())
            if (auto sub = k.openSubKey(name)) walk(**sub, depth + 1);
    };
    walk(*key(*r, RootKey::LocalMachine, ""), 0);
    EXPECT_GT(visited, 10u);
    EXPECT_LT(visited, 40u);
}

TEST_F(WineRegistryTest, ClassesRootMergesUserOverMachine) {
    auto r = open();
    auto txt = writable(*r, RootKey::ClassesRoot, ".TXT");
    ASSERT_TRUE(txt);
    EXPECT_EQ(txt->value("")->asString(), "usertxt");
    EXPECT_EQ(txt->value("Machine")->asString(), "m");
    EXPECT_EQ(txt->value("User")->asString(), "u");
    EXPECT_EQ(txt->values().size(), 3u);
    EXPECT_EQ(txt->info().valueCount, 3u);
    EXPECT_EQ(key(*r, RootKey::ClassesRoot, "")->subKeyNames(),
              (std::vector<std::string>{".txt", "useronly", "machineonly"}));

    // A value goes to the user's key, which exists.
    ASSERT_TRUE(txt->setValue("Machine", RegValue::string("override")));
    EXPECT_EQ(text(*r, RootKey::LocalMachine, "Software\\Classes\\.txt", "Machine"), "m");
    EXPECT_EQ(text(*r, RootKey::CurrentUser, "Software\\Classes\\.txt", "Machine"), "override");
    // New keys go to the machine, unless their parent is the user's alone.
    ASSERT_TRUE(r->createKey(RootKey::ClassesRoot, ".new\\shell"));
    EXPECT_TRUE(key(*r, RootKey::LocalMachine, "Software\\Classes\\.new\\shell"));
    ASSERT_TRUE(r->createKey(RootKey::ClassesRoot, "useronly\\shell\\open"));
    EXPECT_TRUE(key(*r, RootKey::CurrentUser, "Software\\Classes\\useronly\\shell\\open"));
    // Deleting removes the key from both sides.
    ASSERT_TRUE(writable(*r, RootKey::ClassesRoot, "")->deleteTree(".txt"));
    EXPECT_FALSE(r->openKey(RootKey::ClassesRoot, ".txt"));
    EXPECT_FALSE(r->openKey(RootKey::LocalMachine, "Software\\Classes\\.txt"));
}

TEST_F(WineRegistryTest, DeletedKeysReportKeyDeleted) {
    auto r = open();
    auto app = writable(*r, RootKey::LocalMachine, "Software\\Vendor\\App");
    auto vendor = writable(*r, RootKey::LocalMachine, "Software\\Vendor");
    auto software = writable(*r, RootKey::LocalMachine, "Software");
    EXPECT_EQ(software->deleteSubKey("Vendor").code(), ErrorCode::AccessDenied);  // has a subkey
    ASSERT_TRUE(software->deleteTree("Vendor"));
    EXPECT_EQ(app->setValue("x", RegValue::dword(1)).code(), ErrorCode::KeyDeleted);
    EXPECT_EQ(vendor->createSubKey("x").status().code(), ErrorCode::KeyDeleted);
    EXPECT_EQ(app->openSubKey("").status().code(), ErrorCode::KeyDeleted);
    EXPECT_FALSE(app->value("Name"));
    EXPECT_FALSE(app->subKeyName(0));
    // Read-only handles refuse writes.
    EXPECT_EQ(key(*r, RootKey::LocalMachine, "Software")->setValue("x", RegValue::dword(1)).code(),
              ErrorCode::AccessDenied);
}

TEST_F(WineRegistryTest, SavingRewritesOnlyTheChangedKey) {
    auto r = open();
    const auto before = std::chrono::system_clock::now();
    ASSERT_TRUE(writable(*r, RootKey::LocalMachine, "Software\\Vendor\\App")
                    ->setValue("Added", RegValue::dword(5)));
    ASSERT_TRUE(r->flush());
    EXPECT_EQ(saved("user.reg"), kUser);  // unchanged hive not rewritten

    const std::string now = saved("system.reg");
    const std::string oldBlock = block("Software\\Vendor\\App", "\"Name\"=\"App\"\n").substr(1);
    const auto at = kSystem.find(oldBlock);
    ASSERT_NE(at, std::string::npos);
    // Everything around the key is byte for byte the same.
    EXPECT_EQ(now.substr(0, at), kSystem.substr(0, at));
    const std::string tail = kSystem.substr(at + oldBlock.size());
    EXPECT_EQ(now.substr(now.size() - tail.size()), tail);
    // The key is written anew with the current time in both forms.
    const std::string written = now.substr(at, now.size() - tail.size() - at);
    unsigned seconds = 0;
    char hex[32] = {};
    ASSERT_EQ(std::sscanf(written.c_str(), "[Software\\\\Vendor\\\\App] %u\n#time=%31[0-9a-f]\n",
                          &seconds, hex),
              2)
        << written;
    const auto unixNow =
        std::chrono::duration_cast<std::chrono::seconds>(before.time_since_epoch()).count();
    EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(unixNow), 5.0);
    const std::uint64_t ticks = std::stoull(hex, nullptr, 16);
    EXPECT_EQ(FileTime{ticks}.unixSeconds(), static_cast<std::int64_t>(seconds));
    EXPECT_NE(written.find("\"Added\"=dword:00000005\n\"Name\"=\"App\"\n"), std::string::npos);

    // The parent of a new key is touched, as Wine does; the result loads again cleanly.
    ASSERT_TRUE(r->createKey(RootKey::LocalMachine, "Software\\Vendor\\App\\Sub"));
    ASSERT_TRUE(r->flush());
    auto again = open();
    EXPECT_TRUE(again->problems().empty());
    EXPECT_TRUE(key(*again, RootKey::LocalMachine, "Software\\Vendor\\App\\Sub"));
    auto app = key(*again, RootKey::LocalMachine, "Software\\Vendor\\App");
    EXPECT_EQ(app->value("Added")->asDword(), 5u);
    EXPECT_GE(app->info().lastWriteTime, FileTime{ticks});
}

TEST_F(WineRegistryTest, HiveSavedByAnotherProgramIsNeverOverwritten) {
    auto mine = open();
    auto other = open();
    const auto set = [&](WineRegistry& r, RootKey root, const char* path, const char* name) {
        ASSERT_TRUE(writable(r, root, path)->setValue(name, RegValue::string(name)));
    };
    set(*mine, RootKey::LocalMachine, "Software\\Vendor\\App", "Mine");
    set(*other, RootKey::LocalMachine, "Software\\Vendor\\App", "Theirs");
    ASSERT_TRUE(other->flush());
    const std::string theirs = saved("system.reg");
    // Our save would wipe theirs: refused, nothing of ours written, not even the user hive.
    set(*mine, RootKey::CurrentUser, "Software\\Quorvel", "Lang");
    const Status refused = mine->flush();
    EXPECT_EQ(refused.code(), ErrorCode::SharingViolation);
    EXPECT_NE(refused.message().find("changed by another program"), std::string::npos);
    EXPECT_EQ(saved("system.reg"), theirs);
    EXPECT_EQ(saved("user.reg"), kUser);

    // The other writer's own later saves go on: it knows the file it wrote.
    set(*other, RootKey::LocalMachine, "Software\\Vendor\\App", "Again");
    EXPECT_TRUE(other->flush());

    // A hive that appears where there was none counts as changed too.
    TempDir empty;
    auto fresh = open(empty.path());
    ASSERT_TRUE(fresh->createKey(RootKey::CurrentUser, "Software\\New"));
    writeFile(empty.path() / "user.reg", kUser);
    EXPECT_FALSE(fresh->flush());
    EXPECT_EQ(ReadWholeFile(empty.path() / "user.reg"), kUser);
}

TEST_F(WineRegistryTest, NamesThatAreNotUtf8KeepTheirBytesOnEverySave) {
    // Latin-1 bytes where UTF-8 belongs, as some tools wrote them, beside a proper escape.
    writeFile(dir_.path() / "user.reg",
              kUser + block("Software\\Caf\xe9", "\"Na\xefve\"=\"x\"\n\"Ok \\x00e9\"=\"y\"\n"));
    auto r = open();
    auto cafe = writable(*r, RootKey::CurrentUser, "Software\\Caf\xe9");
    ASSERT_TRUE(cafe);
    EXPECT_EQ(cafe->value("Na\xefve"), RegValue::string("x"));
    EXPECT_EQ(cafe->value("Ok \xc3\xa9"), RegValue::string("y"));
    // The key changes, so it is written anew; so is a key made with such a name.
    ASSERT_TRUE(cafe->setValue("Added", RegValue::dword(1)));
    ASSERT_TRUE(r->createKey(RootKey::CurrentUser, "Software\\Made\xff"));
    ASSERT_TRUE(r->flush());
    const std::string user = saved("user.reg");
    for (const char* expected :
         {"[Software\\\\Caf\xe9] ", "\"Na\xefve\"=\"x\"",
          "\"Ok \\xe9\"=\"y\"" /* as Wine writes it */, "[Software\\\\Made\xff] "})
        EXPECT_NE(user.find(expected), std::string::npos) << expected << " in " << user;
    auto again = open();
    EXPECT_TRUE(again->problems().empty());
    EXPECT_TRUE(again->openKey(RootKey::CurrentUser, "Software\\Made\xff"));
    EXPECT_EQ(key(*again, RootKey::CurrentUser, "Software\\Caf\xe9")->value("Added"),
              RegValue::dword(1));
}

TEST_F(WineRegistryTest, TemporaryHivesLeftByAKillAreRemovedAtTheNextSave) {
    const auto dir = dir_.path();
    writeFile(dir / ".system.reg.a1B2c3", "half a hive");
    writeFile(dir / ".system.reg.keep", "not ours");
    writeFile(dir / ".user.reg.Zz9Yy8", "half a hive");
    auto r = open();
    ASSERT_TRUE(writable(*r, RootKey::LocalMachine, "Software\\Vendor\\App")
                    ->setValue("Added", RegValue::dword(5)));
    ASSERT_TRUE(r->flush());
    EXPECT_FALSE(std::filesystem::exists(dir / ".system.reg.a1B2c3"));
    EXPECT_TRUE(std::filesystem::exists(dir / ".system.reg.keep"));
    // Only the hives that are written are tidied; the user hive was not touched.
    EXPECT_TRUE(std::filesystem::exists(dir / ".user.reg.Zz9Yy8"));
}

TEST_F(WineRegistryTest, DamagedHiveIsReadButNeverOverwritten) {
    const std::string damaged = kSystem + "\"Broken\"=hex:01,0\\\n";  // truncated continuation
    writeFile(dir_.path() / "system.reg", damaged);
    auto r = open();
    const auto problems = r->problems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].file, dir_.path() / "system.reg");
    EXPECT_GT(problems[0].line, 30u);
    EXPECT_TRUE(key(*r, RootKey::LocalMachine, "Software\\Vendor\\App"));  // kept what it could

    ASSERT_TRUE(r->createKey(RootKey::LocalMachine, "Software\\New"));
    ASSERT_TRUE(r->createKey(RootKey::CurrentUser, "Software\\New"));
    const Status s = r->flush();
    EXPECT_EQ(s.code(), ErrorCode::InvalidData);
    EXPECT_NE(s.message().find("system.reg"), std::string::npos) << s.message();
    EXPECT_EQ(saved("system.reg"), damaged);
    // The healthy hive was still saved.
    EXPECT_NE(saved("user.reg").find("[Software\\\\New]"), std::string::npos);
}

TEST_F(WineRegistryTest, HiveThatCannotBeReadIsReportedAndLeftAlone) {
    // A pipe must not make the load wait for a writer; a folder cannot be read as text.
    std::filesystem::remove(dir_.path() / "system.reg");
    ASSERT_EQ(::mkfifo((dir_.path() / "system.reg").c_str(), 0600), 0);
    std::filesystem::remove(dir_.path() / "user.reg");
    std::filesystem::create_directory(dir_.path() / "user.reg");
    // Larger than any hive can be (a sparse file: nothing is written).
    std::ofstream(dir_.path() / "userdef.reg").put('x');
    std::filesystem::resize_file(dir_.path() / "userdef.reg", std::uintmax_t{3} << 30);
    auto r = open();
    const auto problems = r->problems();
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].text, "Not a regular file");
    EXPECT_EQ(problems[2].text, "Too large for a registry hive");
    ASSERT_TRUE(r->createKey(RootKey::LocalMachine, "Software\\New"));
    EXPECT_EQ(r->flush().code(), ErrorCode::InvalidData);
    EXPECT_TRUE(std::filesystem::is_fifo(dir_.path() / "system.reg"));
    EXPECT_TRUE(std::filesystem::is_directory(dir_.path() / "user.reg"));
}

TEST_F(WineRegistryTest, LargeHiveIsReadWhole) {
    writeFile(dir_.path() / "system.reg", manyKeys(20000, 1));  // more than one read's piece
    auto r = open();
    EXPECT_TRUE(r->problems().empty());
    EXPECT_EQ(key(*r, RootKey::LocalMachine, "Software\\Many")->info().subKeyCount, 20000u);
    EXPECT_EQ(key(*r, RootKey::LocalMachine, "Software\\Many\\K19999")->value("v0")->asDword(),
              1999900u);
}

TEST_F(WineRegistryTest, ReaderAndWriterThreadsRunTogether) {
    auto r = open();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 300; ++i) {
            // Names appended, not concatenated: GCC 12 warns about "literal" + string at -O3.
            std::string path = "Software\\Busy\\K", name = "v", doomed = "K";
            path += std::to_string(i % 17);
            name += std::to_string(i);
            doomed += std::to_string((i / 5) % 17);
            auto k = r->createKey(RootKey::CurrentUser, path);
            ASSERT_TRUE(k);
            ASSERT_TRUE((*k)->setValue(name, RegValue::dword(static_cast<std::uint32_t>(i))));
            if (i % 5 == 0)
                (void)writable(*r, RootKey::CurrentUser, "Software\\Busy")->deleteTree(doomed);
        }
        stop = true;
    });
    std::size_t reads = 0;
    while (!stop) {
        auto busy = r->openKey(RootKey::CurrentUser, "Software\\Busy");
        if (!busy) continue;
        for (const auto& name : (*busy)->subKeyNames()) {
            auto sub = (*busy)->openSubKey(name);
            if (!sub) continue;
            for (const auto& v : (*sub)->values())
                reads += v.value.data.size();
            (void)(*sub)->info();
        }
    }
    writer.join();
    EXPECT_GT(reads, 0u);
    ASSERT_TRUE(r->flush());
    EXPECT_TRUE(open()->problems().empty());
}

TEST_F(WineRegistryTest, ManyReadersAskForTheSameValuesFirstTimeTogether) {
    writeFile(dir_.path() / "system.reg", manyKeys(200, 20));
    auto r = open();
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            for (int n = 0; n < 200; ++n) {
                const int i = (n + t * 50) % 200;
                auto k = r->openKey(RootKey::LocalMachine, "Software\\Many\\K" + std::to_string(i));
                const auto last = k ? (*k)->value("v19") : std::nullopt;
                if (!k || (*k)->values().size() != 20 || !last ||
                    last->asDword() != static_cast<std::uint32_t>(i * 100 + 19))
                    ++wrong;
            }
        });
    }
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace quorvel::platform::wineprefix
