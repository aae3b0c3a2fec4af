// The writing commands of quorvel used as a careless or hostile user would: two writers at
// once, links planted where the program writes, tampered backups, a read-only or full disk.
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <thread>

#include "QuorvelRun.h"
#include "backup/BackupArchiveWriter.h"
#include "core/formats/Sha256.h"
#include "platform/RegistryTypes.h"
#include "platform/wineprefix/PrefixLock.h"
#include "platform/wineprefix/WinePrefixMachine.h"
#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace e2e;
using platform::RegValue;

constexpr const char* kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kBackups =
    "C:\\users\\tester\\AppData\\Roaming\\QuorvelSoft\\Quorvel "
    "Utilities\\Backups";

using testing::ReadWholeFile;
using testing::WriteWholeFile;

// A .reg file as Windows writes it: UTF-16LE with a byte-order mark.
void writeRegFile(const fs::path& file, std::string_view ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    WriteWholeFile(file, bytes);
}

// Every file below a folder with its digest and modification time (links as their target
// text), to see that nothing there changed.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const auto rel = fs::relative(e.path(), folder).string();
        if (e.is_symlink()) {
            files[rel] = "link " + fs::read_symlink(e.path()).string();
        } else if (e.is_regular_file()) {
            files[rel] = core::Sha256Hex(ReadWholeFile(e.path())) + " " +
                         std::to_string(fs::last_write_time(e.path()).time_since_epoch().count());
        } else {
            files[rel] = "folder";
        }
    }
    return files;
}

class WritePaths : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(quorvelExe())) GTEST_SKIP() << "the quorvel executable is not built";
    }

    // A machine with `broken` startup commands whose programs are gone.
    void build(int broken, int padding = 0) {
        for (int i = 0; i < broken; ++i)
            b.value(kRun, "Gone" + std::to_string(i),
                    RegValue::string("C:\\Gone\\agent" + std::to_string(i) + ".exe"));
        for (int i = 0; i < padding; ++i)
            b.value("HKCU\\Software\\Padding", "Value" + std::to_string(i),
                    RegValue::string(std::string(200, 'p')));
        (void)b.build();
        machine = machineArg(b.prefix());
    }
    fs::path backups() const {
        return b.hostPath("C:\\users\\tester\\AppData\\Roaming") / "QuorvelSoft" /
               "Quorvel Utilities" / "Backups";
    }
    std::string hives() const {
        return ReadWholeFile(b.prefix() / "system.reg") + ReadWholeFile(b.prefix() / "user.reg");
    }
    // The registry backup file the newest entry names.
    fs::path registryBackup() const {
        const std::string index = ReadWholeFile(backups() / "index.ini");
        const auto at = index.rfind("29601=");
        if (at == std::string::npos) return {};
        return backups() / index.substr(at + 6, index.find('\r', at) - at - 6);
    }

    testing::MachineBuilder b;
    testing::TempDir work;
    std::string machine;
};

TEST_F(WritePaths, SecondWriterWaitsForTheFirstAndNeitherChangeIsLost) {
    build(3000);
    writeRegFile(work.path() / "second.reg",
                 "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\"
                 "Second]\r\n\"v\"=\"imported\"\r\n");
    auto repair =
        std::async(std::launch::async, [&] { return runQuorvel(machine + "repair registry"); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (platform::wineprefix::PrefixLock::holder(b.prefix()).empty() &&
           repair.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline) {
    }
    const bool overlapped = !platform::wineprefix::PrefixLock::holder(b.prefix()).empty();
    const auto imported =
        runQuorvel(machine + "reg import '" + (work.path() / "second.reg").string() + "'");
    const auto repaired = repair.get();
    ASSERT_EQ(repaired.first, 0) << repaired.second;
    if (!overlapped) std::printf("the repair ended before the import started\n");

    // Either both changes are in the hives, or the import said it could not write.
    const auto second = runQuorvel(machine + "reg query 'HKCU\\Software\\Second'");
    EXPECT_EQ(second.first == 0, imported.first == 0) << second.second;
    EXPECT_EQ(imported.first, 0);  // it waited for the repair
    const auto run = runQuorvel(machine + "reg query '" + std::string(kRun) + "'");
    EXPECT_EQ(run.second.find("Gone"), std::string::npos);
}

TEST_F(WritePaths, LinksPlantedWhereTheProgramWritesLeadNowhere) {
    build(5);
    testing::TempDir outside;
    fs::create_directories(outside.path() / "data");
    fs::create_directories(outside.path() / "home");
    WriteWholeFile(outside.path() / "index.ini", "[1]\r\nType=29001\r\n");
    WriteWholeFile(outside.path() / "home" / "notes.txt", "mine");
    const auto before = snapshot(outside.path());
    const std::string registryBefore = fullExport(b.prefix(), work.path());

    // The backup index, then the program's whole data folder, are links out of the prefix:
    // the repair refuses (no backup, so no change).
    fs::create_directories(backups());
    fs::create_symlink(outside.path() / "index.ini", backups() / "index.ini");
    EXPECT_NE(runQuorvel(machine + "repair registry").first, 0);
    EXPECT_TRUE(fullExport(b.prefix(), work.path()) == registryBefore);
    fs::remove_all(b.hostPath("C:\\users\\tester\\AppData\\Roaming\\QuorvelSoft"));
    b.symlink("C:\\users\\tester\\AppData\\Roaming\\QuorvelSoft", outside.path() / "data");
    EXPECT_NE(runQuorvel(machine + "repair registry").first, 0);
    EXPECT_TRUE(fullExport(b.prefix(), work.path()) == registryBefore);
    EXPECT_EQ(snapshot(outside.path()), before);

    // Restoring an archive whose files lie through a link (Desktop, as Wine links it to the
    // home folder) or on a drive that maps outside (Z: is "/") writes nothing at all.
    fs::remove(b.hostPath("C:\\users\\tester\\AppData\\Roaming\\QuorvelSoft"));
    fs::create_directories(backups());
    fs::remove_all(b.hostPath("C:\\users\\tester\\Desktop"));
    b.symlink("C:\\users\\tester\\Desktop", outside.path() / "home");
    fs::create_directory_symlink("/", b.prefix() / "dosdevices" / "z:");
    std::string zFolder = "Z:" + outside.path().string();
    std::replace(zFolder.begin(), zFolder.end(), '/', '\\');
    auto opened = platform::wineprefix::WinePrefixMachine::open(b.prefix());
    ASSERT_TRUE(opened);
    int entry = 0;
    std::string index;
    for (const std::string& target : {std::string("C:\\users\\tester\\Desktop\\notes.txt"),
                                      std::string("C:\\users\\tester\\Desktop\\new.lnk"),
                                      zFolder + "\\index.ini", zFolder + "\\new.txt"}) {
        const std::string name = "4500" + std::to_string(entry++) + ".5";
        backup::BackupArchiveWriter archive;
        ASSERT_TRUE(archive.add("0000000001.Sfi", "planted"));
        ASSERT_TRUE(archive.add("quorvel.ini", "[0000000001]\r\nLongName=" + target + "\r\n"));
        ASSERT_TRUE(archive.save((*opened)->fileSystem(), std::string(kBackups) + "\\" + name));
        index += "[" + name + "]\r\nType=13001\r\n";
    }
    WriteWholeFile(backups() / "index.ini", index);
    for (int i = 0; i < entry; ++i) {
        const auto [code, out] =
            runQuorvel(machine + "backups restore 4500" + std::to_string(i) + ".5");
        EXPECT_NE(code, 0) << out;
    }
    EXPECT_EQ(snapshot(outside.path()), before);
}

TEST_F(WritePaths, TamperedAndTruncatedBackupsAreRefused) {
    build(23);
    ASSERT_EQ(runQuorvel(machine + "repair registry").first, 0);
    const std::string id = newestBackup(b.prefix());
    ASSERT_FALSE(id.empty());
    const fs::path file = registryBackup();
    const std::string original = ReadWholeFile(file);
    const std::string repaired = hives();

    // Cut at a line boundary: a shorter but well-formed file.
    const auto cut = original.find(std::string("\r\0\n\0", 4), original.size() / 2);
    ASSERT_NE(cut, std::string::npos);
    WriteWholeFile(file, original.substr(0, cut + 4));
    auto [code, out] = runQuorvel(machine + "backups restore " + id);
    EXPECT_NE(code, 0);
    EXPECT_EQ(out.find("restored"), std::string::npos) << out;
    EXPECT_TRUE(hives() == repaired);

    // A deletion appended, with the digest made to match: refused as no backup deletes.
    std::string tampered = original;
    for (const char c : std::string("\r\n[-HKEY_LOCAL_MACHINE\\Software]\r\n")) {
        tampered += c;
        tampered += '\0';
    }
    WriteWholeFile(file, tampered);
    const fs::path digests = backups() / (id + ".sha256");
    WriteWholeFile(digests, core::Sha256Hex(tampered) + "  " + file.filename().string() + "\n");
    std::tie(code, out) = runQuorvel(machine + "backups restore " + id);
    EXPECT_NE(code, 0);
    EXPECT_TRUE(hives() == repaired);
    EXPECT_EQ(runQuorvel(machine + "reg query 'HKLM\\Software'").first, 0);

    // The file as written restores.
    WriteWholeFile(file, original);
    WriteWholeFile(digests, core::Sha256Hex(original) + "  " + file.filename().string() + "\n");
    EXPECT_EQ(runQuorvel(machine + "backups restore " + id).first, 0);
    EXPECT_FALSE(hives() == repaired);
}

// A small tmpfs holding a copy of the machine, unmounted at the end; skipped where the test
// may not mount one.
class SmallDisk {
public:
    explicit SmallDisk(const fs::path& at, const char* size) : at_(at) {
        fs::create_directories(at);
        mounted_ =
            ::mount("tmpfs", at.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly() const {
        return ::mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    fs::path at_;
    bool mounted_ = false;
};

TEST_F(WritePaths, FailedSavesSayNothingWasChangedAndLeaveNoBackup) {
    build(40, 1500);
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only prefix" : "full disk");
        SmallDisk disk(work.path() / (readOnly ? "ro" : "full"), "4m");
        if (!disk.mounted()) GTEST_SKIP() << "no permission to mount a tmpfs";
        const fs::path prefix = work.path() / (readOnly ? "ro" : "full") / "machine";
        copyPrefix(b.prefix(), prefix);
        const std::string before = ReadWholeFile(prefix / "user.reg");
        if (readOnly) {
            ASSERT_TRUE(disk.makeReadOnly());
        } else {
            // Room for the backup, not for a new copy of the user hive.
            const auto space = fs::space(prefix);
            const auto fill = space.available - before.size() / 2;
            WriteWholeFile(work.path() / "full" / "filler", std::string(fill, 'x'));
        }
        const auto [code, out] = runQuorvel(machineArg(prefix) + "repair registry");
        EXPECT_NE(code, 0);
        EXPECT_EQ(out.find("repaired"), std::string::npos) << out;
        EXPECT_TRUE(ReadWholeFile(prefix / "user.reg") == before);
        EXPECT_EQ(newestBackup(prefix), "");
    }
}

}  // namespace
}  // namespace quorvel
