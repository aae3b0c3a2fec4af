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
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "QuorvelRun.h"
#include "platform/RegistryTypes.h"
#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
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

// Every file (with its bytes) and folder of the user's menu and desktop.
std::string shortcutTrees(const fs::path& prefix) {
    std::map<std::string, std::string> tree;
    const fs::path user = prefix / "drive_c" / "users" / "tester";
    for (const auto& top : {user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu",
                            user / "Desktop"}) {
        for (const auto& entry : fs::recursive_directory_iterator(top))
            tree[fs::relative(entry.path(), user).string()] =
                entry.is_directory() ? "<folder>" : testing::ReadWholeFile(entry.path());
    }
    std::string text;
    for (const auto& [name, bytes] : tree)
        text += name + "\n" + bytes + "\n";
    return text;
}

// The registry without "-Disabled" keys (the copies a startup repair made stay by design), and
// the name and size of every file in the user's Startup folder.
std::string startupState(const fs::path& prefix, const fs::path& work) {
    std::string result;
    std::string text = fullExport(prefix, work);
    std::erase(text, '\r');
    for (std::size_t at = 0; at < text.size();) {
        auto end = text.find("\n\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string block = text.substr(at, end - at);
        if (block.find("-Disabled]") == std::string::npos) result += block + "\n\n";
        at = end + 2;
    }
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(
             prefix /
             "drive_c/users/tester/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/StartUp"))
        files.push_back(e.path().filename().string() + ":" + std::to_string(e.file_size()));
    std::sort(files.begin(), files.end());
    for (const auto& f : files)
        result += f + "\n";
    return result;
}

// One category's repair on a copy of a pristine machine.
struct CrashCase {
    std::string category;
    std::function<std::string(const fs::path& prefix)> state;  // what the backup must give back
    std::string fullRunSays;                                   // in the output of a complete run
    int kills;
    int earlyKills;  // kills within the first third of the run, while the backup is written
};

// A complete run first: it must repair what fullRunSays and its restore must already be exact.
// Then kills spread over the whole run, from start-up to the last write: a listed backup entry
// is complete (never one without its file), so it restores, and the state is the pristine one
// whether or not a backup had been started. The next repair removes what the kill left
// half-written.
void KillAtRandomMoments(const fs::path& pristine, const fs::path& work, const CrashCase& c) {
    const std::string baseline = c.state(pristine);
    const fs::path machine = work / "machine";
    copyPrefix(pristine, machine);
    const auto start = std::chrono::steady_clock::now();
    const auto [code, out] = runQuorvel(machineArg(machine) + "repair " + c.category);
    const auto fullRun = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(code, 0) << out;
    EXPECT_NE(out.find(c.fullRunSays), std::string::npos) << out;
    ASSERT_NE(c.state(machine), baseline);
    const std::string id = newestBackup(machine);
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(runQuorvel(machineArg(machine) + "backups restore " + id).first, 0);
    ASSERT_EQ(c.state(machine), baseline);

    std::mt19937 random(std::random_device{}());
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(fullRun).count();
    std::uniform_int_distribution<long long> early(0, span / 3);
    std::uniform_int_distribution<long long> moment(0, span + span / 5);
    int withBackup = 0;
    for (int round = 0; round < c.kills; ++round) {
        SCOPED_TRACE(c.category + " round " + std::to_string(round));
        copyPrefix(pristine, machine);
        const pid_t pid = spawnQuorvel({"--machine", machine.string(), "repair", c.category});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(
            std::chrono::microseconds(round < c.earlyKills ? early(random) : moment(random)));
        ::kill(pid, SIGKILL);
        (void)waitExit(pid);
        if (const std::string newest = newestBackup(machine); !newest.empty()) {
            ++withBackup;
            EXPECT_EQ(runQuorvel(machineArg(machine) + "backups restore " + newest).first, 0);
        }
        EXPECT_EQ(c.state(machine), baseline);
        ASSERT_EQ(runQuorvel(machineArg(machine) + "repair " + c.category).first, 0);
        EXPECT_EQ(leftovers(machine), "");
    }
    std::printf("%s: %d of %d killed runs had started a backup\n", c.category.c_str(), withBackup,
                c.kills);
}

class RepairCrash : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(quorvelExe())) GTEST_SKIP() << "the quorvel executable is not built";
    }

    static constexpr const char* kMenu =
        "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
    static constexpr const char* kStartup =
        "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";

    // Broken startup commands (values) between kept ones in the same key, uninstall entries of
    // programs that are gone (whole key trees), broken shortcuts and empty folders among good
    // ones in the menu and on the desktop.
    void buildRegistryAndShortcuts() {
        const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
        const std::string uninstall =
            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
        b.file("C:\\Tools\\present.exe", "MZ");
        for (int i = 0; i < 160; ++i) {
            const std::string n = std::to_string(i);
            b.value(run, "Gone" + n, RegValue::string("C:\\Gone\\agent" + n + ".exe"));
            if (i % 10 == 0) b.value(run, "Kept" + n, RegValue::string("C:\\Tools\\present.exe"));
        }
        for (int i = 0; i < 140; ++i) {
            const std::string n = std::to_string(i);
            const std::string key = uninstall + "App" + n;
            b.value(key, "DisplayName", RegValue::string("App \"" + n + "\" ü"));
            b.value(key, "UninstallString", RegValue::string("C:\\Gone\\uninst" + n + ".exe"));
            b.value(key, "EstimatedSize", RegValue::dword(static_cast<std::uint32_t>(i * 7)));
            b.value(key + "\\Details", "Blob",
                    RegValue::binary({0, 1, 2, 0, static_cast<std::uint8_t>(i)}));
            b.value(key + "\\Details", "List", RegValue::multiString({"a", "", "c"}));
        }
        for (int i = 0; i < 120; ++i) {
            const std::string n = std::to_string(i);
            const std::string folder = std::string(kMenu) + "\\Group" + std::to_string(i % 12);
            b.shortcut(folder + "\\Gone" + n + ".lnk", "C:\\Gone\\tool" + n + ".exe", "gone " + n);
            if (i % 4 == 0) b.shortcut(folder + "\\Kept" + n + ".lnk", "C:\\Tools\\present.exe");
            if (i % 6 == 0) b.folder(std::string(kMenu) + "\\Empty" + n);
            if (i % 10 == 0)
                b.shortcut("C:\\users\\tester\\Desktop\\Gone" + n + ".lnk", "C:\\Gone\\desk.exe");
        }
        keepPristine();
    }

    // Values of two Run keys and files of the user's Startup folder, all rated dangerous by the
    // user, so that the repair moves every one aside.
    void buildStartup() {
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
        keepPristine();
    }

    void keepPristine() {
        (void)b.build();
        copyPrefix(b.prefix(), pristine);
    }

    testing::MachineBuilder b;
    testing::TempDir work;
    fs::path pristine = work.path() / "pristine";
};

TEST_F(RepairCrash, RestoringTheNewestBackupAfterAKillGivesBackTheRegistry) {
    buildRegistryAndShortcuts();
    const fs::path w = work.path();
    KillAtRandomMoments(pristine, w,
                        {"registry", [&](const fs::path& p) { return fullExport(p, w); },
                         "306 registry problem(s) repaired", 24, 8});
}

TEST_F(RepairCrash, RestoringTheNewestBackupAfterAKillGivesBackTheShortcuts) {
    buildRegistryAndShortcuts();
    KillAtRandomMoments(
        pristine, work.path(),
        {"shortcuts", shortcutTrees, "132 shortcut(s) and 20 empty folder(s) were removed", 16, 0});
}

TEST_F(RepairCrash, RestoringTheNewestBackupAfterAKillGivesBackEveryStartupEntry) {
    buildStartup();
    const fs::path w = work.path();
    KillAtRandomMoments(pristine, w,
                        {"startup", [&](const fs::path& p) { return startupState(p, w); },
                         "300 startup entries disabled.", 12, 0});
}

}  // namespace
}  // namespace quorvel
