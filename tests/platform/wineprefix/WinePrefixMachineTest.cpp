#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/wineprefix/MachineSelection.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "support/MachineBuilder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace quorvel::platform;
using quorvel::platform::wineprefix::WinePrefixMachine;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;

TEST(WinePrefixMachine, RefusesFoldersThatAreNoPrefix) {
    TempDir t;
    const auto refused = [](const fs::path& folder, const std::string& why) {
        const auto opened = WinePrefixMachine::open(folder);
        ASSERT_FALSE(opened) << folder;
        EXPECT_NE(opened.status().message().find(folder.string()), std::string::npos);
        EXPECT_NE(opened.status().message().find(why), std::string::npos)
            << opened.status().message();
    };
    refused(t.path(), "not a Wine prefix");
    refused(t.path() / "nowhere", "does not exist");
    std::ofstream(t.path() / "file.txt") << "x";
    refused(t.path() / "file.txt", "is not a folder");
    // A drive_c without system.reg is some other tree: refused, and nothing is written to it.
    fs::create_directories(t.path() / "drive_c");
    refused(t.path(), "no system.reg");
    EXPECT_FALSE(WinePrefixMachine::lockPrefix(t.path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(t.path()), fs::directory_iterator()), 2);

    std::ofstream(t.path() / "system.reg") << "WINE REGISTRY Version 2\n";
    const auto minimal = WinePrefixMachine::open(t.path());
    ASSERT_TRUE(minimal) << minimal.status().message();
    EXPECT_EQ((*minimal)->environment().windowsDirectory(), "C:\\windows");
}

TEST(WinePrefixMachine, BundlesRegistryFilesAndEnvironmentOfOnePrefix) {
    MachineBuilder b;
    b.value("HKCU\\Software\\Quorvel", "Answer", RegValue::dword(42));
    b.file("C:\\users\\tester\\Documents\\a.txt", "text");
    auto m = b.build();
    EXPECT_EQ(m->displayName(), b.prefix().string());
    auto key = m->registry().openKey(RootKey::CurrentUser, "Software\\Quorvel");
    ASSERT_TRUE(key);
    EXPECT_EQ((*key)->value("Answer")->asDword(), 42u);
    const auto profile = m->environment().variable("USERPROFILE").value();
    EXPECT_EQ(m->fileSystem().readFile(profile + "\\Documents\\A.TXT").value(), "text");
    EXPECT_TRUE(m->hiveProblems().empty());
    EXPECT_FALSE(m->isServerRunning());
}

TEST(WinePrefixMachine, ExposesHiveProblemsWithoutFailing) {
    MachineBuilder b;
    {
        std::ofstream out(b.prefix() / "system.reg", std::ios::app);
        out << "[Software\\\\Broken] 1\n\"unterminated=\"value\n\x01\x02 junk\n";
    }
    auto m = b.build();
    ASSERT_FALSE(m->hiveProblems().empty());
    EXPECT_EQ(m->hiveProblems()[0].file.filename(), "system.reg");
    // What could be read is still there.
    EXPECT_EQ(m->environment().variable("ProgramFiles"), "C:\\Program Files");
}

TEST(WinePrefixMachine, TheBundledDemoMachineOpensCleanly) {
    // The repository's copy, else the one the build puts beside the executables.
    fs::path demo;
    if (const char* source = std::getenv("QUORVEL_SOURCE_DIR"))
        demo = fs::path(source) / "data" / "demo";
    else if (const char* bin = std::getenv("QUORVEL_BIN_DIR"))
        demo = fs::path(bin) / "demo";
    if (demo.empty() || !fs::exists(demo / "system.reg")) GTEST_SKIP() << "no demo machine found";
    TempDir t;
    const fs::path copy = t.path() / "demo";
    ASSERT_TRUE(quorvel::platform::wineprefix::copyDemoMachine(demo, copy));
    auto opened = WinePrefixMachine::open(copy);
    ASSERT_TRUE(opened) << opened.status().message();
    auto& m = **opened;
    EXPECT_TRUE(m.hiveProblems().empty());
    auto& env = m.environment();
    EXPECT_EQ(env.userName(), "demo");
    EXPECT_EQ(env.variable("TEMP"), "C:\\users\\demo\\Temp");
    EXPECT_EQ(env.logicalDrives(), (std::vector<std::string>{"C:\\", "D:\\"}));
    EXPECT_EQ(env.driveType("D:\\"), DriveType::CdRom);
    EXPECT_TRUE(m.fileSystem().isFile("C:\\Program Files\\Demo Viewer\\viewer.exe"));
    EXPECT_TRUE(m.fileSystem().isDirectory(env.variable("APPDATA").value()));
    // Its recycle bin is its own and holds one item.
    const auto bin = m.shell().recycleBinQuery("");
    ASSERT_TRUE(bin) << bin.status().message();
    EXPECT_EQ(bin->count, 1u);
}

TEST(WinePrefixMachine, OneWriterAtATime) {
    MachineBuilder b;
    auto machine = WinePrefixMachine::open(b.prefix());
    ASSERT_TRUE(machine);
    auto first = (*machine)->lockForWriting();
    ASSERT_TRUE(first) << first.status().message();
    // The holder takes it again at once; another opener of the prefix is refused, told who.
    EXPECT_TRUE((*machine)->lockForWriting());
    const auto other = WinePrefixMachine::lockPrefix(b.prefix());
    ASSERT_FALSE(other);
    EXPECT_EQ(other.status().code(), quorvel::platform::ErrorCode::SharingViolation);
    EXPECT_NE(other.status().message().find("(process "), std::string::npos);
    EXPECT_NE(other.status().message().find("nothing was changed"), std::string::npos);
    EXPECT_NE(quorvel::platform::wineprefix::PrefixLock::holder(b.prefix()), "");

    // A patient second writer is told it waits, and gets the lock once the first lets go.
    std::string waitedFor;
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        first->reset();
    });
    const auto second = WinePrefixMachine::lockPrefix(
        b.prefix(), {std::chrono::seconds(10), [&](std::string_view who) { waitedFor = who; }});
    release.join();
    EXPECT_TRUE(second) << second.status().message();
    EXPECT_NE(waitedFor.find("(process "), std::string::npos);
}

TEST(WinePrefixMachine, LockFileIsNeverFollowedThroughALink) {
    MachineBuilder b;
    TempDir outside;
    const auto target = outside.path() / "precious";
    std::ofstream(target) << "keep";
    fs::create_symlink(target, b.prefix() / ".quorvel-write.lock");
    const auto lock = WinePrefixMachine::lockPrefix(b.prefix());
    ASSERT_FALSE(lock);
    EXPECT_NE(lock.status().message().find("symbolic link"), std::string::npos);
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
}
