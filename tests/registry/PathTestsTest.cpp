#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/text/CaseInsensitive.h"
#include "registry/PathTests.h"

namespace {

using namespace quorvel::registry;
namespace text = quorvel::platform::text;

// Records what the reference tests hand to the file system and answers from a fixed set.
struct FakeFileSystem {
    std::set<std::string, text::ILess> existing;
    std::vector<std::pair<std::string, bool>> calls;

    PathTester tester() {
        PathTester t;
        t.expandVars = [](std::string_view s) {
            std::string up = text::toUpperAscii(s);
            const std::string var = "%SYSTEMROOT%\\";
            if (auto at = up.find(var); at != std::string::npos)
                up.replace(at, var.size(), "C:\\windows\\");
            return up;
        };
        t.targetExists = [this](std::string_view command, bool cut) {
            calls.emplace_back(std::string(command), cut);
            return existing.contains(std::string(command));
        };
        return t;
    }
};

TEST(PathTests, CutAtFirstAndBracedNames) {
    EXPECT_EQ(CutAtFirst(",", "a.dll,1"), "a.dll");
    EXPECT_EQ(CutAtFirst(",", "a.dll"), "a.dll");
    EXPECT_EQ(CutAtFirst("//", "x // y // z"), "x ");
    EXPECT_TRUE(IsBracedName("{00000000-0000-0000-0000-000000000000}"));
    EXPECT_FALSE(IsBracedName("{open"));
    EXPECT_FALSE(IsBracedName(""));
    EXPECT_FALSE(IsBracedName("}{"));
}

TEST(PathTests, EmbeddedPathWithoutDrivePathNeedsNoLook) {
    FakeFileSystem fs;
    const auto t = fs.tester();
    EXPECT_TRUE(EmbeddedPathExists(t, "just some text"));
    EXPECT_TRUE(EmbeddedPathExists(t, "ole32.dll"));
    EXPECT_TRUE(EmbeddedPathExists(t, "?:\\placeholder\\x.exe"));
    EXPECT_TRUE(EmbeddedPathExists(t, ":\\no letter"));
    EXPECT_TRUE(EmbeddedPathExists(t, "http://example.com/a"));
    EXPECT_TRUE(fs.calls.empty());
}

TEST(PathTests, EmbeddedPathIsolatesThePathInsideTheData) {
    FakeFileSystem fs;
    fs.existing = {"C:\\Apps\\tool.dll", "C:\\Program Files\\a b.exe", "C:\\db\\x.mdb"};
    const auto t = fs.tester();

    // A path that goes on after ".dll\" names the library.
    EXPECT_TRUE(EmbeddedPathExists(t, "C:\\Apps\\tool.dll\\2"));
    EXPECT_EQ(fs.calls.back().first, "C:\\Apps\\tool.dll");
    EXPECT_TRUE(fs.calls.back().second);
    // Same rule, upper-case extension.
    EXPECT_TRUE(EmbeddedPathExists(t, "C:\\Apps\\TOOL.DLL\\x"));
    EXPECT_EQ(fs.calls.back().first, "C:\\Apps\\TOOL.DLL");

    // Between two single quotes, whatever switches follow.
    EXPECT_TRUE(EmbeddedPathExists(t, "'C:\\Program Files\\a b.exe' /s /q"));
    EXPECT_EQ(fs.calls.back().first, "C:\\Program Files\\a b.exe");

    // Text before the drive letter and after delimiters is dropped.
    EXPECT_TRUE(EmbeddedPathExists(t, "Provider=Jet;Source=C:\\db\\x.mdb;Mode=1"));
    EXPECT_EQ(fs.calls.back().first, "C:\\db\\x.mdb");
    EXPECT_TRUE(EmbeddedPathExists(t, "\"C:\\Apps\\tool.dll\",-101"));
    EXPECT_EQ(fs.calls.back().first, "C:\\Apps\\tool.dll");
    EXPECT_TRUE(EmbeddedPathExists(t, "C:\\Apps\\tool.dll|other"));
}

TEST(PathTests, EmbeddedPathRetriesBeforeParenthesis) {
    FakeFileSystem fs;
    fs.existing = {"C:\\Apps\\tool.dll"};
    const auto t = fs.tester();
    EXPECT_TRUE(EmbeddedPathExists(t, "C:\\Apps\\tool.dll(5)"));
    ASSERT_EQ(fs.calls.size(), 2u);
    EXPECT_EQ(fs.calls[1].first, "C:\\Apps\\tool.dll");

    fs.calls.clear();
    EXPECT_FALSE(EmbeddedPathExists(t, "C:\\Gone\\x.exe"));
    EXPECT_EQ(fs.calls.size(), 2u);  // tested twice, failed twice
}

TEST(PathTests, EmbeddedPathDropsTheMruEntrySuffix) {
    FakeFileSystem fs;
    fs.existing = {"C:\\Docs\\notes.txt"};
    const auto t = fs.tester();
    EXPECT_TRUE(EmbeddedPathExists(t, "C:\\Docs\\notes.txt\\1"));
    EXPECT_EQ(fs.calls.back().first, "C:\\Docs\\notes.txt");
    EXPECT_FALSE(EmbeddedPathExists(t, "C:\\Docs\\gone.txt\\1"));
    EXPECT_FALSE(EmbeddedPathExists(t, "C:\\Docs\\notes.txt\\x1"));
}

TEST(PathTests, EmbeddedPathExpandsVariablesLowerCased) {
    FakeFileSystem fs;
    fs.existing = {"c:\\windows\\system32\\x.dll"};
    const auto t = fs.tester();
    EXPECT_TRUE(EmbeddedPathExists(t, "%SystemRoot%\\System32\\X.dll,3"));
    EXPECT_EQ(fs.calls.back().first, "c:\\windows\\system32\\x.dll");
    // A variable we cannot expand leaves no drive path: nothing to test.
    EXPECT_TRUE(EmbeddedPathExists(t, "%USERPROFILE%\\Desktop"));
}

TEST(PathTests, CommandTargetPassesDocumentAndNetworkForms) {
    FakeFileSystem fs;
    const auto t = fs.tester();
    EXPECT_TRUE(CommandTargetOk(t, "%1 /whatever C:\\gone.exe"));
    EXPECT_TRUE(CommandTargetOk(t, "\"%1\" %*"));
    EXPECT_TRUE(CommandTargetOk(t, "\\\\server\\share\\app.exe /x"));
    EXPECT_TRUE(fs.calls.empty());

    // "%1" later in the line does not excuse a missing program.
    EXPECT_FALSE(CommandTargetOk(t, "C:\\gone\\app.exe \"%1\""));
    ASSERT_EQ(fs.calls.size(), 1u);
    // The "%" sends the line through the (upper-casing) variable expansion first.
    EXPECT_EQ(fs.calls[0].first, "C:\\GONE\\APP.EXE \"%1\"");
    EXPECT_TRUE(fs.calls[0].second);  // cuts at ","

    fs.existing = {"C:\\windows\\notepad.exe %1"};
    EXPECT_TRUE(CommandTargetOk(t, "%SystemRoot%\\notepad.exe %1"));
}

TEST(PathTests, ServerPathTestsUpToTheExtension) {
    FakeFileSystem fs;
    fs.existing = {"C:\\APPS\\SERVER.DLL"};
    const auto t = fs.tester();
    EXPECT_TRUE(ServerPathExists(t, "C:\\Apps\\server.dll,-3"));
    ASSERT_EQ(fs.calls.size(), 1u);
    EXPECT_EQ(fs.calls[0].first, "C:\\Apps\\server.dll");
    EXPECT_FALSE(fs.calls[0].second);  // no "," cut

    EXPECT_TRUE(ServerPathExists(t, "\"C:\\Apps\\server.dll\" /automation"));
    EXPECT_EQ(fs.calls.back().first, "C:\\Apps\\server.dll");

    // .exe is preferred to .dll when both occur.
    EXPECT_FALSE(ServerPathExists(t, "C:\\Apps\\host.exe C:\\Apps\\server.dll"));
    EXPECT_EQ(fs.calls.back().first, "C:\\Apps\\host.exe");

    fs.calls.clear();
    EXPECT_TRUE(ServerPathExists(t, "server.dll"));            // no drive
    EXPECT_TRUE(ServerPathExists(t, "C:\\Apps\\readme.txt"));  // no known extension
    EXPECT_TRUE(ServerPathExists(t, "x.dll C:\\"));            // drive after the extension
    EXPECT_TRUE(ServerPathExists(t, "\\\\srv\\share\\c.dll"));
    EXPECT_TRUE(ServerPathExists(t, "%1"));
    EXPECT_TRUE(fs.calls.empty());

    EXPECT_FALSE(ServerPathExists(t, "%SystemRoot%\\system32\\gone.dll,1"));
    EXPECT_EQ(fs.calls.back().first, "C:\\windows\\SYSTEM32\\GONE.DLL");
    EXPECT_FALSE(ServerPathExists(t, "C:\\Icons\\gone.ico"));
    EXPECT_EQ(fs.calls.back().first, "C:\\Icons\\gone.ico");
}

}  // namespace
