#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <tuple>

#include "backup/BackupRestorer.h"
#include "backup/BackupStore.h"
#include "platform/shelllink/ShellLinkFormat.h"
#include "shortcuts/FixShortcut.h"
#include "shortcuts/ShortcutsClean.h"
#include "shortcuts/ShortcutsScan.h"
#include "support/EngineSession.h"
#include "support/MachineBuilder.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace quorvel::testing {
namespace {

namespace fs = std::filesystem;
using platform::ShellLink;
using shortcuts::ShortcutFindings;
using shortcuts::TShortcutsData;

const std::string kMenu =
    "C:\\users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string kDesktop = "C:\\users\\tester\\Desktop";

// A link that holds its target only in the environment-variable block (ANSI part).
ShellLink environmentLink(const std::string& target) {
    ShellLink link;
    platform::LinkExtraBlock b;
    b.signature = platform::linkblock::EnvironmentVariable;
    b.bytes.assign(8 + 260 + 520, 0);
    const std::uint32_t size = static_cast<std::uint32_t>(b.bytes.size());
    for (int i = 0; i < 4; ++i) {
        b.bytes[i] = static_cast<std::uint8_t>(size >> (8 * i));
        b.bytes[4 + i] = static_cast<std::uint8_t>(b.signature >> (8 * i));
    }
    std::copy(target.begin(), target.end(), b.bytes.begin() + 8);
    link.extraBlocks.push_back(std::move(b));
    link.linkFlags |= platform::linkflag::HasExpString;
    return link;
}

ShellLink relativeLink(const std::string& relative) {
    ShellLink link;
    link.relativePath = relative;
    return link;
}

std::string describe(const TShortcutsData& f) {
    return (f.IsFolder ? "folder " : "link   ") + f.Path + " -> " + f.Target + " [" +
           f.Description + "]";
}

// The program menu holds one shortcut or folder for every rule of the scan; the desktop is a
// link to a folder outside the prefix, as Wine makes it.
class ShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string m = kMenu + "\\";
        b.file("C:\\Program Files\\Good\\good.exe", "MZ");
        b.shortcut(m + "Good.lnk", "C:\\Program Files\\Good\\good.exe", "fine");
        b.shortcut(m + "Broken.lnk", "C:\\Program Files\\Gone\\gone.exe", "Gone app");
        b.shortcut(m + "Sub\\UPPER.LNK", "C:\\Gone\\upper.exe");
        b.shortcut(m + "Net.lnk", "\\\\server\\share\\x.exe");
        b.drive('e', removable.path(), platform::DriveType::Removable);
        b.shortcut(m + "Removable.lnk", "E:\\missing.exe");
        b.shortcut(m + "Root.lnk", "C:\\");
        b.shortcut(m + "FolderTarget.lnk", "C:\\Program Files\\Good");
        b.shortcut(m + "Item.lnk", ShellLink{});
        b.shortcut(m + "Env.lnk", environmentLink("%ProgramFiles%\\Gone\\env.exe"));
        b.shortcut(m + "EnvGood.lnk", environmentLink("%ProgramFiles%\\Good\\good.exe"));
        b.shortcut(m + "EnvUnknown.lnk", environmentLink("%NoSuchVariable%\\x.exe"));
        b.file(m + "Tools\\tool.exe", "MZ");
        b.shortcut(m + "RelGood.lnk", relativeLink(".\\Tools\\tool.exe"));
        b.shortcut(m + "RelGone.lnk", relativeLink("Tools\\..\\Missing\\x.exe"));
        b.shortcut(m + "RelRoot.lnk", relativeLink("\\Program Files\\Good\\good.exe"));
        ShellLink inWorkDir = relativeLink("good.exe");  // found in the working folder
        inWorkDir.workingDirectory = "C:\\Program Files\\Good";
        b.shortcut(m + "RelWork.lnk", inWorkDir);
        ShellLink both = environmentLink("%ProgramFiles%\\Gone\\both.exe");
        both.setTarget("C:\\Program Files\\Good\\good.exe");  // the location wins
        both.extraBlocks = environmentLink("%ProgramFiles%\\Gone\\both.exe").extraBlocks;
        b.shortcut(m + "Both.lnk", both);
        b.file(m + "notes.txt", "C:\\nothing\\here.exe");
        b.file(m + "Damaged.lnk", std::string("L\0\0\0garbage", 11));
        b.folder(m + "Empty");
        b.folder(m + "Nested\\Deeper");
        b.file(m + "OnlyHidden\\h.txt", "x");
        b.attributes(m + "OnlyHidden\\h.txt", platform::fileattr::Hidden);
        b.folder(m + "ReadOnly");
        // Wine shows a folder without its owner's write bit as read-only.
        fs::permissions(b.hostPath(m + "ReadOnly"), fs::perms::owner_write,
                        fs::perm_options::remove);
        b.folder(m + "Hidden");
        b.attributes(m + "Hidden", platform::fileattr::Hidden | platform::fileattr::Directory);
        fs::create_directories(outside.path() / "empty");
        b.symlink(m + "LinkedFolder", outside.path() / "empty");
        // StartUp exists and is empty already.

        fs::create_directories(home.path() / "Desktop" / "EmptySub");
        fs::remove_all(b.hostPath(kDesktop));
        b.symlink(kDesktop, home.path() / "Desktop");
        platform::ShellLink out;
        out.setTarget("C:\\Gone\\desk.exe");
        std::ofstream(home.path() / "Desktop" / "Out.lnk", std::ios::binary)
            << platform::shelllink::serialize(out);
        machine = b.build();
        session.emplace(*machine, programDir.path());
    }
    template <class W, class... Args>
    W& run(Args&&... args) {
        return session->run<W>(findings, session->status, session->context, session->bridge,
                               std::forward<Args>(args)...);
    }
    bool exists(const std::string& windowsPath) const {
        return fs::exists(fs::symlink_status(b.hostPath(windowsPath)));
    }

    TempDir removable, outside, home, programDir;
    MachineBuilder b;
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine;
    std::optional<EngineSession> session;
    ShortcutFindings findings;
};

TEST_F(ShortcutsTest, ScanReportsExactlyTheBrokenShortcutsAndEmptyFolders) {
    run<shortcuts::TShortcutsScan>();
    std::vector<std::string> got;
    for (const auto& f : findings)
        got.push_back(describe(f));
    std::sort(got.begin(), got.end());
    const std::string m = kMenu + "\\";
    std::vector<std::string> expected = {
        describe(
            {"C:\\Program Files\\Gone\\gone.exe", m + "Broken.lnk", "Gone app", 0, true, false}),
        describe({"C:\\Gone\\upper.exe", m + "Sub\\UPPER.LNK", "", 0, true, false}),
        describe({"C:\\Program Files\\Gone\\env.exe", m + "Env.lnk", "", 0, true, false}),
        describe({m + "Missing\\x.exe", m + "RelGone.lnk", "", 0, true, false}),
        describe({"", m + "Empty", "", 0, true, true}),
        describe({"", m + "Nested\\Deeper", "", 0, true, true}),
        describe({"C:\\Gone\\desk.exe", kDesktop + "\\Out.lnk", "", 0, true, false}),
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(session->status.snapshot().position, 21) << "one step per examined file";
}

TEST_F(ShortcutsTest, RepairBacksUpRemovesAndRestoresByteForByte) {
    run<shortcuts::TShortcutsScan>();
    ASSERT_EQ(findings.size(), 7u);
    std::map<std::string, std::string> before;
    for (const auto& f : findings)
        if (!f.IsFolder) before[f.Path] = ReadWholeFile(b.hostPath(f.Path));
    // One finding left unchecked stays as it is.
    auto unchecked = std::find_if(findings.begin(), findings.end(),
                                  [](const auto& f) { return f.Path.ends_with("Env.lnk"); });
    unchecked->Checked = false;

    // A dry run counts the same and touches nothing.
    const auto dry = run<shortcuts::TShortcutsClean>("", true).result();
    EXPECT_EQ(std::tuple(dry.deleted, dry.foldersRemoved, dry.backupFile), std::tuple(3u, 2u, ""));
    for (const auto& f : findings)
        EXPECT_TRUE(exists(f.Path)) << f.Path;

    auto& clean = run<shortcuts::TShortcutsClean>();
    const auto& r = clean.result();
    ASSERT_TRUE(r.backupStatus) << r.backupStatus.message();
    EXPECT_EQ(r.deleted, 3u);
    EXPECT_EQ(r.foldersRemoved, 2u);
    EXPECT_EQ(r.behindLink, 1u) << "the desktop is linked out of the prefix";
    EXPECT_FALSE(r.endedAtFolder);
    for (const auto& f : findings) {
        const bool stays = !f.Checked || f.Path.starts_with(kDesktop);
        EXPECT_EQ(exists(f.Path), stays) << f.Path;
    }
    EXPECT_TRUE(exists(kMenu + "\\Nested")) << "only the empty folder itself goes";

    backup::BackupStore store(machine->fileSystem(), session->globals.BackupsDir);
    backup::BackupRestorer restorer(*machine, store);
    ASSERT_TRUE(restorer.RestoreOneClick(r.backupEntry));
    for (const auto& f : findings) {
        EXPECT_TRUE(exists(f.Path)) << f.Path;
        if (!f.IsFolder) {
            EXPECT_EQ(ReadWholeFile(b.hostPath(f.Path)), before[f.Path]) << f.Path;
        }
    }
}

TEST_F(ShortcutsTest, AFolderThatFilledUpEndsThePass) {
    const std::string m = kMenu + "\\";
    findings.push_back({"C:\\Program Files\\Gone\\gone.exe", m + "Broken.lnk", "", 0, true, false});
    findings.push_back({"", m + "Empty", "", 0, true, true});
    findings.push_back({"C:\\Gone\\upper.exe", m + "Sub\\UPPER.LNK", "", 0, true, false});
    b.file(m + "Empty\\new.lnk", "x");
    auto& clean = run<shortcuts::TShortcutsClean>();
    EXPECT_TRUE(clean.result().endedAtFolder);
    EXPECT_FALSE(exists(m + "Broken.lnk"));
    EXPECT_TRUE(exists(m + "Empty\\new.lnk"));
    EXPECT_TRUE(exists(m + "Sub\\UPPER.LNK")) << "findings after the folder are left";
}

TEST_F(ShortcutsTest, FixShortcutNeverWritesThroughTheLinkedDesktop) {
    const auto outside = home.path() / "Desktop" / "Out.lnk";
    const std::string before = ReadWholeFile(outside);
    EXPECT_FALSE(shortcuts::FixShortcut(session->context, kDesktop + "\\Out.lnk", "C:\\x.exe"));
    EXPECT_EQ(ReadWholeFile(outside), before);
}

TEST(ShortcutsEmptyTopTest, AnEmptyDesktopIsReportedUnlessTheScanIsStopped) {
    MachineBuilder b;
    TempDir programDir;
    const auto machine = b.build();
    EngineSession s(*machine, programDir.path());
    for (const bool stop : {false, true}) {
        ShortcutFindings found;
        shortcuts::TShortcutsScan scan(found, s.status, s.context, s.bridge);
        if (stop) scan.requestStop();
        scan.start();
        scan.wait();
        const std::vector<std::string> expected{describe({"", kDesktop, "", 0, true, true})};
        std::vector<std::string> got;
        for (const auto& f : found)
            got.push_back(describe(f));
        EXPECT_EQ(got, stop ? std::vector<std::string>{} : expected);
    }
}

}  // namespace
}  // namespace quorvel::testing
