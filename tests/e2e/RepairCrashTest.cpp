// Kills `quorvel repair registry` and `quorvel repair shortcuts` at random moments and checks
// that restoring the newest backup always gives back exactly what the repair started from.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "QuorvelRun.h"
#include "platform/RegistryTypes.h"
#include "support/MachineBuilder.h"
#include "support/TempDir.h"

extern char** environ;

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace e2e;
using platform::RegValue;

// Starts quorvel with its output dropped; returns the process id.
pid_t spawnQuorvel(const std::vector<std::string>& args) {
    std::vector<std::string> all{quorvelExe().string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int waitExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Temporary files of interrupted writes anywhere in the prefix: hives (".user.reg.XXXXXX") and
// other files (".name.quorvel-XXXXXX").
std::string leftovers(const fs::path& prefix) {
    std::string found;
    for (const auto& e : fs::recursive_directory_iterator(prefix)) {
        const std::string name = e.path().filename().string();
        const bool hive = name.starts_with(".") && name.find(".reg.") != std::string::npos;
        const bool temporary =
            name.find(".quorvel-") != std::string::npos && !name.ends_with(".lock");
        if (hive || temporary) found += name + " ";
    }
    return found;
}

class RepairCrash : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(quorvelExe())) GTEST_SKIP() << "the quorvel executable is not built";
        testing::MachineBuilder b;
        const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
        const std::string uninstall =
            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
        b.file("C:\\Tools\\present.exe", "MZ");
        for (int i = 0; i < 160; ++i) {
            // Broken startup commands (values) between kept ones in the same key.
            b.value(run, "Gone" + std::to_string(i),
                    RegValue::string("C:\\Gone\\agent" + std::to_string(i) + ".exe"));
            if (i % 10 == 0)
                b.value(run, "Kept" + std::to_string(i),
                        RegValue::string("C:\\Tools\\present.exe"));
        }
        for (int i = 0; i < 140; ++i) {
            // Uninstall entries of programs that are gone (whole key trees).
            const std::string key = uninstall + "App" + std::to_string(i);
            b.value(key, "DisplayName", RegValue::string("App \"" + std::to_string(i) + "\" ü"));
            b.value(key, "UninstallString",
                    RegValue::string("C:\\Gone\\uninst" + std::to_string(i) + ".exe"));
            b.value(key, "EstimatedSize", RegValue::dword(static_cast<std::uint32_t>(i * 7)));
            b.value(key + "\\Details", "Blob",
                    RegValue::binary({0, 1, 2, 0, static_cast<std::uint8_t>(i)}));
            b.value(key + "\\Details", "List", RegValue::multiString({"a", "", "c"}));
        }
        // Shortcuts: broken ones and empty folders among good ones, in the menu and on the
        // desktop.
        for (int i = 0; i < 120; ++i) {
            const std::string folder =
                std::string(kMenu) + "\\Group" + std::to_string(i % 12) + "\\";
            b.shortcut(folder + "Gone" + std::to_string(i) + ".lnk",
                       "C:\\Gone\\tool" + std::to_string(i) + ".exe", "gone " + std::to_string(i));
            if (i % 4 == 0)
                b.shortcut(folder + "Kept" + std::to_string(i) + ".lnk", "C:\\Tools\\present.exe");
            if (i % 6 == 0) b.folder(std::string(kMenu) + "\\Empty" + std::to_string(i));
            if (i % 10 == 0)
                b.shortcut("C:\\users\\tester\\Desktop\\Gone" + std::to_string(i) + ".lnk",
                           "C:\\Gone\\desk.exe");
        }
        (void)b.build();
        pristine_ = work_.path() / "pristine";
        copyPrefix(b.prefix(), pristine_);
        baseline_ = fullExport(pristine_, work_.path());
    }

    static constexpr const char* kMenu =
        "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";

    testing::TempDir work_;
    fs::path pristine_;
    std::string baseline_;
};

TEST_F(RepairCrash, RestoringTheNewestBackupAfterAKillGivesBackTheRegistry) {
    // A complete run first: it must find and repair a few hundred problems, and its restore
    // must already be exact.
    const fs::path machine = work_.path() / "machine";
    copyPrefix(pristine_, machine);
    const auto start = std::chrono::steady_clock::now();
    const auto [code, out] = runQuorvel(machineArg(machine) + "repair registry");
    const auto fullRun = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(code, 0) << out;
    const auto repaired = out.find(" registry problem(s) repaired");
    ASSERT_NE(repaired, std::string::npos) << out;
    EXPECT_GE(std::stoi(out.substr(out.rfind('\n', repaired) + 1)), 300) << out;
    ASSERT_NE(fullExport(machine, work_.path()), baseline_);
    const std::string id = newestBackup(machine);
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(runQuorvel(machineArg(machine) + "backups restore " + id).first, 0);
    ASSERT_EQ(fullExport(machine, work_.path()), baseline_);

    // Kills spread over the whole run, from start-up to the last hive write; the first third
    // of the rounds fall early, while the backup is written.
    std::mt19937 random(std::random_device{}());
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(fullRun).count();
    std::uniform_int_distribution<long long> early(0, span / 3);
    std::uniform_int_distribution<long long> moment(0, span + span / 5);
    int withBackup = 0;
    constexpr int kKills = 24;
    for (int round = 0; round < kKills; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        copyPrefix(pristine_, machine);
        const pid_t pid = spawnQuorvel({"--machine", machine.string(), "repair", "registry"});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(
            std::chrono::microseconds(round < kKills / 3 ? early(random) : moment(random)));
        ::kill(pid, SIGKILL);
        (void)waitExit(pid);

        // A listed entry is complete (never one without its file): it restores.
        const std::string newest = newestBackup(machine);
        if (!newest.empty()) {
            ++withBackup;
            EXPECT_EQ(runQuorvel(machineArg(machine) + "backups restore " + newest).first, 0);
        }
        EXPECT_EQ(fullExport(machine, work_.path()), baseline_);

        // The next write removes what the kill left half-written.
        ASSERT_EQ(runQuorvel(machineArg(machine) + "repair registry").first, 0);
        EXPECT_EQ(leftovers(machine), "");
    }
    std::printf("%d of %d killed runs had started a backup\n", withBackup, kKills);
}

// Every file (with its bytes) and folder of the user's menu and desktop.
std::map<std::string, std::string> shortcutTrees(const fs::path& prefix) {
    std::map<std::string, std::string> tree;
    const fs::path user = prefix / "drive_c" / "users" / "tester";
    for (const auto& top : {user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu",
                            user / "Desktop"}) {
        for (const auto& entry : fs::recursive_directory_iterator(top)) {
            const auto name = fs::relative(entry.path(), user).string();
            if (entry.is_directory()) {
                tree[name] = "<folder>";
            } else {
                std::ifstream in(entry.path(), std::ios::binary);
                tree[name] = std::string(std::istreambuf_iterator<char>(in), {});
            }
        }
    }
    return tree;
}

TEST_F(RepairCrash, RestoringTheNewestBackupAfterAKillGivesBackTheShortcuts) {
    const auto baseline = shortcutTrees(pristine_);
    const fs::path machine = work_.path() / "machine";
    copyPrefix(pristine_, machine);
    const auto start = std::chrono::steady_clock::now();
    const auto [code, out] = runQuorvel(machineArg(machine) + "repair shortcuts");
    const auto fullRun = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(code, 0) << out;
    EXPECT_NE(out.find("132 shortcut(s) and 20 empty folder(s) were removed"), std::string::npos)
        << out;
    ASSERT_NE(shortcutTrees(machine), baseline);
    const std::string id = newestBackup(machine);
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(runQuorvel(machineArg(machine) + "backups restore " + id).first, 0);
    ASSERT_EQ(shortcutTrees(machine), baseline);

    std::mt19937 random(std::random_device{}());
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(fullRun).count();
    std::uniform_int_distribution<long long> moment(0, span + span / 5);
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        copyPrefix(pristine_, machine);
        const pid_t pid = spawnQuorvel({"--machine", machine.string(), "repair", "shortcuts"});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(pid, SIGKILL);
        (void)waitExit(pid);
        const std::string newest = newestBackup(machine);
        if (!newest.empty()) (void)runQuorvel(machineArg(machine) + "backups restore " + newest);
        EXPECT_EQ(shortcutTrees(machine), baseline);
    }
}

// The same for `quorvel repair startup`: values of two Run keys and files of the user's Startup
// folder, all rated dangerous by the user, moved aside by the repair; after a kill at any moment
// the newest backup gives every value and file back. The "-Disabled" copies a repair made stay
// by design and are left out of the comparison.
class StartupRepairCrash : public ::testing::Test {
protected:
    static constexpr const char* kStartup =
        "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";

    void SetUp() override {
        if (!fs::exists(quorvelExe())) GTEST_SKIP() << "the quorvel executable is not built";
        testing::MachineBuilder b;
        const std::string comments =
            "HKCU\\Software\\QuorvelSoft\\Quorvel Utilities\\startup\\comment";
        for (int i = 0; i < 150; ++i) {
            const std::string n = std::to_string(i);
            const std::string root = i % 2 ? "HKCU" : "HKLM";
            const std::string command = "\"C:\\Tools\\agent" + n + ".exe\" /tray";
            b.value(root + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Agent" + n,
                    RegValue::string(command,
                                     i % 3 ? platform::regtype::Sz : platform::regtype::ExpandSz));
            b.value(comments, "Agent" + n + "|" + command, RegValue::string("2|"));
            const std::string file = "note" + n + ".cmd";
            b.file(std::string(kStartup) + "\\" + file, "start agent " + n);
            b.value(comments, file + "|" + kStartup + "\\" + file, RegValue::string("2|"));
        }
        (void)b.build();
        pristine_ = work_.path() / "pristine";
        copyPrefix(b.prefix(), pristine_);
        baseline_ = state(pristine_);
    }

    // The registry without "-Disabled" keys, and every file of the Startup folder.
    std::string state(const fs::path& prefix) {
        std::string result;
        std::string text = fullExport(prefix, work_.path());
        std::erase(text, '\r');
        for (std::size_t at = 0; at < text.size();) {
            auto end = text.find("\n\n", at);
            if (end == std::string::npos) end = text.size();
            const std::string block = text.substr(at, end - at);
            if (block.find("-Disabled]") == std::string::npos) result += block + "\n\n";
            at = end + 2;
        }
        const fs::path folder = prefix /
                                "drive_c/users/tester/AppData/Roaming/Microsoft/Windows/"
                                "Start Menu/Programs/StartUp";
        std::vector<std::string> files;
        for (const auto& e : fs::directory_iterator(folder))
            files.push_back(e.path().filename().string() + ":" + std::to_string(e.file_size()));
        std::sort(files.begin(), files.end());
        for (const auto& f : files)
            result += f + "\n";
        return result;
    }

    testing::TempDir work_;
    fs::path pristine_;
    std::string baseline_;
};

TEST_F(StartupRepairCrash, RestoringTheNewestBackupAfterAKillGivesBackEveryEntry) {
    const fs::path machine = work_.path() / "machine";
    copyPrefix(pristine_, machine);
    const auto start = std::chrono::steady_clock::now();
    const auto [code, out] = runQuorvel(machineArg(machine) + "repair startup");
    const auto fullRun = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(code, 0) << out;
    EXPECT_NE(out.find("300 startup entries disabled."), std::string::npos) << out;
    ASSERT_NE(state(machine), baseline_);
    const std::string id = newestBackup(machine);
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(runQuorvel(machineArg(machine) + "backups restore " + id).first, 0);
    ASSERT_EQ(state(machine), baseline_);

    std::mt19937 random(std::random_device{}());
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(fullRun).count();
    std::uniform_int_distribution<long long> moment(0, span + span / 5);
    constexpr int kKills = 12;
    for (int round = 0; round < kKills; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        copyPrefix(pristine_, machine);
        const pid_t pid = spawnQuorvel({"--machine", machine.string(), "repair", "startup"});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(pid, SIGKILL);
        (void)waitExit(pid);
        if (const std::string newest = newestBackup(machine); !newest.empty()) {
            EXPECT_EQ(runQuorvel(machineArg(machine) + "backups restore " + newest).first, 0);
        }
        EXPECT_EQ(state(machine), baseline_);

        // The next write removes what the kill left half-written.
        ASSERT_EQ(runQuorvel(machineArg(machine) + "repair startup").first, 0);
        EXPECT_EQ(leftovers(machine), "");
    }
}

}  // namespace
}  // namespace quorvel
