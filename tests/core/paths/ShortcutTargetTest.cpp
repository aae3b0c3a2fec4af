#include <gtest/gtest.h>

#include "core/paths/ShortcutTarget.h"
#include "support/MachineBuilder.h"

namespace quorvel::testing {
namespace {

using platform::ShellLink;

TEST(FoldPathDotsTest, FoldsAsGetFullPathNameWithoutClimbingAboveTheRoot) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
        {"C:\\a\\..\\..\\..\\x.exe", "C:\\x.exe"},
        {"C:/a//b/", "C:\\a\\b"},
        {"\\\\server\\share\\..\\x", "\\\\server\\share\\x"},
        {"C:\\", "C:\\"},
        {"\\windows\\..\\x", "\\x"},
        {"..\\a\\.\\b", "a\\b"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(core::FoldPathDots(in), out) << in;
}

// Which description of the target wins when a link holds several, and how the last two are
// turned into a path.
TEST(ShortcutTargetTest, LocationBeforeEnvironmentBeforeRelativePath) {
    MachineBuilder b;
    b.file("C:\\menu\\Tools\\here.exe", "MZ");
    b.file("C:\\work\\there.exe", "MZ");
    auto machine = b.build();
    const auto resolve = [&](const ShellLink& link) {
        return core::ResolveShortcutTarget(link, "C:\\menu\\a.lnk", machine->environment(),
                                           machine->fileSystem());
    };
    ShellLink envAndRelative;
    envAndRelative.relativePath = "Tools\\here.exe";
    envAndRelative.extraBlocks.push_back({platform::linkblock::EnvironmentVariable, {}});
    auto& bytes = envAndRelative.extraBlocks[0].bytes;
    bytes.assign(8 + 260, 0);
    const std::string env = "%windir%\\notepad.exe";
    std::copy(env.begin(), env.end(), bytes.begin() + 8);

    ShellLink located = envAndRelative;
    located.setTarget("C:\\real\\app.exe");
    located.extraBlocks = envAndRelative.extraBlocks;  // setTarget dropped it
    EXPECT_EQ(resolve(located).path, "C:\\real\\app.exe");
    EXPECT_EQ(resolve(envAndRelative).path, "C:\\windows\\notepad.exe");

    ShellLink relative;
    relative.relativePath = "Tools\\here.exe";
    EXPECT_EQ(resolve(relative).path, "C:\\menu\\Tools\\here.exe");
    relative.relativePath = "there.exe";
    relative.workingDirectory = "C:\\work";
    EXPECT_EQ(resolve(relative).path, "C:\\work\\there.exe") << "found in the working folder";
    relative.relativePath = "\\apps\\..\\root.exe";
    EXPECT_EQ(resolve(relative).path, "C:\\root.exe") << "the root of the link's drive";
    relative.relativePath = "..\\gone.exe";
    EXPECT_EQ(resolve(relative).path, "C:\\gone.exe") << "found nowhere: beside the link";

    bytes.assign(8 + 260, 0);
    const std::string unknown = "%NoSuchVariable%\\x.exe";
    std::copy(unknown.begin(), unknown.end(), bytes.begin() + 8);
    const auto unresolved = resolve(envAndRelative);
    EXPECT_FALSE(unresolved.resolved);
    EXPECT_EQ(unresolved.path, unknown);
    EXPECT_TRUE(resolve(ShellLink{}).path.empty());
}

}  // namespace
}  // namespace quorvel::testing
