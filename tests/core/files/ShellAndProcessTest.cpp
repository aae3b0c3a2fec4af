#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "core/environment/BuiltContext.h"
#include "core/files/RunAndWait.h"
#include "core/files/ShellWrappers.h"

namespace quorvel::core {
namespace {

namespace fs = std::filesystem;
using quorvel::testing::MachineBuilder;
using quorvel::testing::TempDir;
using testsupport::BuiltContext;

TEST(ShellWrappers, ShortcutsAndFailuresReachTheCaller) {
    MachineBuilder b;
    b.file("C:\\links\\broken.lnk", std::string("L\0\0\0garbage", 11));
    b.file("C:\\links\\plain.txt", "not a program");
    BuiltContext c(b);
    auto& shell = c.machine().shell();

    platform::ShellLink link;
    link.idList = {};
    link.relativePath = "..\\Program Files\\App\\app.exe";
    link.linkInfo =
        platform::LinkInfo{platform::LinkVolume{}, "C:\\Program Files\\App\\app.exe", {}, {}};
    link.arguments = "/s";
    link.iconIndex = 2;
    ASSERT_TRUE(shell.writeLink("C:\\links\\app.lnk", link));

    const auto info = ReadShellLink(shell, "C:\\links\\app.lnk");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->targetPath, "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(info->arguments, "/s");
    EXPECT_EQ(info->iconIndex, 2);

    // Damaged and missing shortcuts are errors for the caller, never a crash.
    EXPECT_FALSE(ReadShellLink(shell, "C:\\links\\broken.lnk"));
    EXPECT_FALSE(ReadShellLink(shell, "C:\\links\\missing.lnk"));

    // A file without a version resource: empty texts and version 0.
    EXPECT_EQ(ReadVersionString(shell, "C:\\links\\plain.txt", "FileVersion"), "");
    EXPECT_EQ(DllVersion(shell, "C:\\links\\missing.dll"), 0U);

    // A failed recycle-bin query reports -1 and leaves the count alone.
    RecycleBinTotals totals{5, 3};
    RecycleBinSize(shell, "not a root", totals);
    EXPECT_EQ(totals.size, -1);
    EXPECT_EQ(totals.count, 3);
}

// A stand-in "wine" on PATH that records how it was called and exits with 7.
class FakeWine : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* p = std::getenv("PATH")) savedPath_ = p;
        const fs::path script = bin_.path() / "wine";
        std::ofstream(script)
            << "#!/bin/sh\n"
               "printf '%s\\n' \"$WINEPREFIX\" \"$@\" > \"$(dirname \"$0\")/called\"\n"
               "exit 7\n";
        ::chmod(script.c_str(), 0755);
        setenv("PATH", (bin_.path().string() + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    std::vector<std::string> calledWith() const {
        std::vector<std::string> lines;
        std::ifstream in(bin_.path() / "called");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    TempDir bin_;
    std::string savedPath_;
};

TEST_F(FakeWine, RunsOnlyWineRunnableProgramsOfTheMachine) {
    MachineBuilder b;
    b.file("C:\\Program Files\\App\\app.exe", 10);
    b.file("C:\\Program Files\\App\\readme.txt", 10);
    BuiltContext c(b);

    EXPECT_EQ(RunAndWait(c.context(), "C:\\Program Files\\App\\app.exe /s \"two words\"", 1, [] {}),
              7U);
    const std::vector<std::string> expected{b.prefix().string(), "C:\\Program Files\\App\\app.exe",
                                            "/s", "two words"};
    EXPECT_EQ(calledWith(), expected);

    fs::remove(bin_.path() / "called");
    EXPECT_EQ(RunAndWait(c.context(), "\"C:\\Program Files\\App\\readme.txt\"", 1), kRunFailed);
    EXPECT_EQ(RunAndWait(c.context(), "C:\\Program Files\\App\\missing.exe", 1), kRunFailed);
    EXPECT_EQ(RunAndWait(c.context(), "", 1), kRunFailed);
    EXPECT_FALSE(fs::exists(bin_.path() / "called"));
    setenv("PATH", "/nonexistent", 1);  // without wine nothing runs
    EXPECT_EQ(RunAndWait(c.context(), "C:\\Program Files\\App\\app.exe", 1), kRunFailed);
}

TEST(CommandLines, SplitLikeWindows) {
    EXPECT_EQ(SplitArguments(" a  \"b c\" d\\\"e \"\" f\\\\\"g h\""),
              (std::vector<std::string>{"a", "b c", "d\"e", "", "f\\g h"}));
    EXPECT_EQ(SplitArguments("C:\\dir\\ x"), (std::vector<std::string>{"C:\\dir\\", "x"}));
    EXPECT_TRUE(SplitArguments("   ").empty());
    EXPECT_EQ(SplitArguments("\"unclosed arg"), (std::vector<std::string>{"unclosed arg"}));
}

}  // namespace
}  // namespace quorvel::core
